#include "platform/apple/CoreMediaSampleBuffer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "platform/PCMBuffer.h"
#include "platform/apple/StreamBasicDescription.h"

namespace tallwick {
namespace {

constexpr std::int32_t frames = 8;
const AudioFormat planarStereo(CommonFormat::float32, 48000.0, 2, false);

// A sample buffer shaped like ScreenCaptureKit's system audio: 48 kHz, two
// planar float channels; left holds 0, 1, 2, ..., right the same negated.
CMSampleBufferRef screenCaptureLikeBuffer() {
    std::vector<float> left(frames), right(frames);
    for (std::int32_t i = 0; i < frames; ++i)
        right[i] = -(left[i] = static_cast<float>(i));
    const AudioStreamBasicDescription basic = basicDescriptionOf(planarStereo.streamDescription());
    CMAudioFormatDescriptionRef format = nullptr;
    EXPECT_EQ(CMAudioFormatDescriptionCreate(kCFAllocatorDefault, &basic, 0, nullptr, 0, nullptr,
                                             nullptr, &format),
              noErr);
    CMSampleBufferRef buffer = nullptr;
    EXPECT_EQ(CMAudioSampleBufferCreateWithPacketDescriptions(
                  kCFAllocatorDefault, nullptr, false, nullptr, nullptr, format, frames,
                  CMTimeMake(0, 48000), nullptr, &buffer),
              noErr);
    CFRelease(format);
    // The data is copied into the sample buffer.
    std::vector<std::byte> storage(offsetof(::AudioBufferList, mBuffers) +
                                   2 * sizeof(::AudioBuffer));
    auto* list = reinterpret_cast<::AudioBufferList*>(storage.data());
    list->mNumberBuffers = 2;
    list->mBuffers[0] = {1, frames * sizeof(float), left.data()};
    list->mBuffers[1] = {1, frames * sizeof(float), right.data()};
    EXPECT_EQ(CMSampleBufferSetDataBufferFromAudioBufferList(buffer, kCFAllocatorDefault,
                                                             kCFAllocatorDefault, 0, list),
              noErr);
    return buffer;
}

std::vector<float> samplesOf(const PCMBuffer& buffer, std::size_t channel, std::size_t count) {
    const auto* samples = static_cast<const float*>(buffer.audioBufferList().at(channel).data);
    return {samples, samples + count};
}

TEST(CoreMediaSampleBuffer, DescribesItsAudioAndCopiesWhatFitsOnly) {
    const CMSampleBufferRef source = screenCaptureLikeBuffer();
    const CoreMediaSampleBuffer buffer(source);
    CFRelease(source);  // the wrapper holds a reference of its own
    EXPECT_TRUE(buffer.hasFormatDescription());
    EXPECT_EQ(buffer.numSamples(), frames);
    EXPECT_EQ(buffer.streamDescription(), planarStereo.streamDescription());
    struct Case {
        std::int32_t start, count, capacity;
        std::vector<float> left;  // empty: the copy is refused
    };
    // Room for more than the copy: a destination is sized for its capacity.
    const Case cases[] = {{0, frames, frames * 4, {0, 1, 2, 3, 4, 5, 6, 7}},
                          {2, 3, 3, {2, 3, 4}},
                          {0, frames, frames - 1, {}},
                          {4, frames, frames, {}}};
    for (const Case& c : cases) {
        auto destination = PCMBuffer::make(planarStereo, c.capacity);
        const int status =
            buffer.copyPCMData(c.start, c.count, destination->mutableAudioBufferList());
        EXPECT_EQ(status == 0, !c.left.empty()) << c.start << " " << c.count;
        if (c.left.empty())
            continue;
        EXPECT_EQ(samplesOf(*destination, 0, c.left.size()), c.left);
        EXPECT_EQ(samplesOf(*destination, 1, 1), std::vector<float>{-c.left[0]});
    }
}

}  // namespace
}  // namespace tallwick
