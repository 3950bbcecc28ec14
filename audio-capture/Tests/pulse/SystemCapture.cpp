#include "SystemCapture.h"

namespace tallwick::testing {

void SystemCapture::didOutputSampleBuffer(Stream&, const SampleBuffer& buffer,
                                          StreamOutputType type) {
    const auto description = buffer.streamDescription();
    const bool expected = type == StreamOutputType::audio && description &&
                          description->sampleRate == 16000 && description->channelsPerFrame == 1 &&
                          description->sampleType == SampleType::floatingPoint &&
                          description->bitsPerChannel == 32 && description->interleaved &&
                          !description->bigEndian;
    const auto frames = static_cast<std::size_t>(buffer.numSamples());
    std::vector<float> copied(frames);
    AudioBufferList list{{1, static_cast<std::uint32_t>(frames * sizeof(float)), copied.data()}};
    const bool copiedAll = buffer.copyPCMData(0, static_cast<std::int32_t>(frames), list) == 0;
    signal_.update([&] {
        unexpectedLayout_ = unexpectedLayout_ || !expected || !copiedAll;
        frames_ += frames;
        arrivals_.push_back({std::chrono::steady_clock::now(), frames});
    });
}

void SystemCapture::didStopWithError(Stream&, const PlatformError&) {
    signal_.update([&] { stopped_ = true; });
}

std::optional<std::string> SystemCapture::start(PulsePlatform& platform) {
    ScreenCapture& capture = platform.screenCapture();
    std::promise<std::pair<std::shared_ptr<ShareableContent>, std::optional<PlatformError>>> listed;
    auto listing = listed.get_future();
    capture.getShareableContent(false, true, [&](auto content, auto error) {
        listed.set_value({std::move(content), std::move(error)});
    });
    auto [content, listError] = awaitValue(listing);
    if (listError) {
        return listError->localizedDescription();
    }
    if (content->displays().empty()) {
        return "no display";
    }
    auto filter = capture.makeContentFilter(content->displays().front());
    StreamConfiguration configuration{true, true, 16000, 1};
    stream_ = std::static_pointer_cast<PulseStream>(capture.makeStream(filter, configuration, this));
    std::optional<PlatformError> addError;
    if (!stream_->addStreamOutput(*this, StreamOutputType::audio,
                                  capture.makeSerialQueue("tallwick-audio.out"), addError)) {
        return addError->localizedDescription();
    }
    std::promise<std::optional<PlatformError>> started;
    auto starting = started.get_future();
    stream_->startCapture([&](std::optional<PlatformError> error) { started.set_value(error); });
    if (const auto error = awaitValue(starting)) {
        return error->localizedDescription();
    }
    return std::nullopt;
}

bool SystemCapture::awaitMoreFrames(std::size_t frames, std::chrono::milliseconds timeout) {
    std::size_t target;
    {
        std::lock_guard lock(signal_.mutex());
        target = frames_ + frames;
    }
    return signal_.waitUntil([&] { return frames_ >= target; }, timeout);
}

std::vector<SystemCapture::Arrival> SystemCapture::arrivals() {
    std::lock_guard lock(signal_.mutex());
    return arrivals_;
}

bool SystemCapture::sawOnlyExpectedLayout() {
    std::lock_guard lock(signal_.mutex());
    return !unexpectedLayout_;
}

bool SystemCapture::stopped() {
    std::lock_guard lock(signal_.mutex());
    return stopped_;
}

}  // namespace tallwick::testing
