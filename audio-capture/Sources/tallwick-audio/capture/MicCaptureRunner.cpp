#include "capture/MicCaptureRunner.h"

#include "CaptureError.h"
#include "capture/Completion.h"
#include "capture/MicrophoneTap.h"
#include "convert/SampleRateText.h"
#include "events/EventStream.h"

namespace tallwick {

MicCaptureRunner::MicCaptureRunner() : MicCaptureRunner(hostPlatform()) {}

MicCaptureRunner::MicCaptureRunner(std::shared_ptr<Platform> platform)
    : platform_(std::move(platform)),
      stopReport(std::make_shared<StopReport>([keepAlive = keepAlive](const PlatformError& error) {
          emit("error", std::nullopt, error.localizedDescription());
          keepAlive->open();
      })) {}

bool MicCaptureRunner::requestPermission(Microphone& microphone) {
    Completion<bool> access;
    microphone.requestAccess(access.handler());
    return access.wait();
}

void MicCaptureRunner::run() {
    emit("log", std::nullopt, "Requesting microphone permission\u2026");
    Microphone& microphone = platform_->microphone();
    if (!requestPermission(microphone)) {
        throw CaptureError::micDenied();
    }
    engine = microphone.makeEngine();
    InputNode& input = engine->inputNode();
    const AudioFormat inputFormat = input.outputFormatForBus(0);
    std::shared_ptr<AudioConverter> converter = AudioConverter::make(inputFormat, outputFormat);
    if (!converter) {
        throw CaptureError::converterFailed();
    }
    emit("log", std::nullopt,
         "Mic input: " + sampleRateText(inputFormat.sampleRate()) + " Hz, " +
             std::to_string(inputFormat.channelCount()) + " ch");
    input.installTap(0, 4096, inputFormat, MicrophoneTap(outputFormat, inputFormat, converter));

    // A microphone that goes away is reported and ends the capture, like the
    // system source's stream: silence forever would look like a quiet room.
    engine->onStoppedWithError(
        [stopReport = stopReport](const PlatformError& error) { stopReport->stopped(error); });
    engine->onNotice([](const std::string& notice) { emit("log", std::nullopt, notice); });
    std::optional<PlatformError> startError;
    if (!engine->start(startError)) {
        throw startError.value_or(PlatformError("The audio engine could not start."));
    }
    emit("ready", std::nullopt, "Capturing microphone at 16 kHz mono");
    stopReport->ready();
    keepAlive->wait();
    input.removeTap(0);
    engine->stop();
}

}  // namespace tallwick
