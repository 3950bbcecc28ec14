#include "capture/SystemCaptureRunner.h"

#include "CaptureError.h"
#include "capture/Completion.h"
#include "events/EventStream.h"
#include "events/LevelMeter.h"

namespace tallwick {

SystemCaptureRunner::SystemCaptureRunner() : SystemCaptureRunner(hostPlatform()) {}

SystemCaptureRunner::SystemCaptureRunner(std::shared_ptr<Platform> platform)
    : platform_(std::move(platform)), stopReport([this](const PlatformError& error) {
          emit("error", std::nullopt, error.localizedDescription());
          finish();
      }) {}

SystemCaptureRunner::~SystemCaptureRunner() {
    // The stream goes first: releasing it ends its callbacks, which use the
    // converter and this object.
    stream.reset();
}

void SystemCaptureRunner::run() {
    emit("log", std::nullopt, "Requesting screen capture permission\u2026");
    ScreenCapture& screen = platform_->screenCapture();

    using ContentResult = std::pair<std::shared_ptr<ShareableContent>, std::optional<PlatformError>>;
    Completion<ContentResult> contentRequest;
    screen.getShareableContent(false, true, contentRequest.handler());
    auto [content, contentError] = contentRequest.wait();
    if (contentError) {
        throw *contentError;
    }
    if (!content || content->displays().empty()) {
        throw CaptureError::noDisplay();
    }
    const std::shared_ptr<Display> display = content->displays().front();
    const std::shared_ptr<ContentFilter> filter = screen.makeContentFilter(display);

    StreamConfiguration configuration;
    configuration.capturesAudio = true;
    configuration.excludesCurrentProcessAudio = true;
    configuration.sampleRate = 16000;
    configuration.channelCount = 1;

    stream = screen.makeStream(filter, configuration, this);
    stream->onNotice([](const std::string& notice) { emit("log", std::nullopt, notice); });
    std::optional<PlatformError> outputError;
    if (!stream->addStreamOutput(*this, StreamOutputType::audio,
                                 screen.makeSerialQueue("tallwick-audio.out"), outputError)) {
        throw outputError.value_or(PlatformError("The audio output could not be added."));
    }

    Completion<std::optional<PlatformError>> start;
    stream->startCapture(start.handler());
    if (const auto startError = start.wait()) {
        throw *startError;
    }
    emit("ready", std::nullopt, "Capturing system audio at 16 kHz mono");
    stopReport.ready();
    keepAlive.wait();
}

void SystemCaptureRunner::didOutputSampleBuffer(Stream&, const SampleBuffer& sampleBuffer,
                                                StreamOutputType type) {
    if (type != StreamOutputType::audio) {
        return;
    }
    const auto chunk = converter.convert(sampleBuffer);
    if (!chunk || chunk->empty()) {
        return;
    }
    emitLevel(*chunk);
    emitAudio(*chunk);
}

void SystemCaptureRunner::didStopWithError(Stream&, const PlatformError& error) {
    stopReport.stopped(error);
}

void SystemCaptureRunner::finish() { keepAlive.open(); }

}  // namespace tallwick
