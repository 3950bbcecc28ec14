#include "platform/apple/CoreMediaSampleBuffer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "platform/PCMBuffer.h"

namespace tallwick {
namespace {

constexpr std::int32_t frames = 8;

// A sample buffer shaped like ScreenCaptureKit's system audio: 48 kHz, two
// planar float channels; left holds 0, 1, 2, ..., right the same negated.
class ScreenCaptureLikeBuffer {
public:
    ScreenCaptureLikeBuffer() : left_(frames), right_(frames) {
        for (std::int32_t i = 0; i < frames; ++i) {
            left_[i] = static_cast<float>(i);
            right_[i] = -static_cast<float>(i);
        }
        AudioStreamBasicDescription basic{};
        basic.mSampleRate = 48000;
        basic.mFormatID = kAudioFormatLinearPCM;
        basic.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked |
                             kAudioFormatFlagIsNonInterleaved;
        basic.mBytesPerPacket = 4;
        basic.mFramesPerPacket = 1;
        basic.mBytesPerFrame = 4;
        basic.mChannelsPerFrame = 2;
        basic.mBitsPerChannel = 32;
        CMAudioFormatDescriptionRef format = nullptr;
        EXPECT_EQ(CMAudioFormatDescriptionCreate(kCFAllocatorDefault, &basic, 0, nullptr, 0,
                                                 nullptr, nullptr, &format),
                  noErr);
        EXPECT_EQ(CMAudioSampleBufferCreateWithPacketDescriptions(
                      kCFAllocatorDefault, nullptr, false, nullptr, nullptr, format, frames,
                      CMTimeMake(0, 48000), nullptr, &buffer_),
                  noErr);
        CFRelease(format);

        std::vector<std::byte> storage(offsetof(::AudioBufferList, mBuffers) +
                                       2 * sizeof(::AudioBuffer));
        auto* list = reinterpret_cast<::AudioBufferList*>(storage.data());
        list->mNumberBuffers = 2;
        list->mBuffers[0] = {1, frames * sizeof(float), left_.data()};
        list->mBuffers[1] = {1, frames * sizeof(float), right_.data()};
        EXPECT_EQ(CMSampleBufferSetDataBufferFromAudioBufferList(buffer_, kCFAllocatorDefault,
                                                                 kCFAllocatorDefault, 0, list),
                  noErr);
    }
    ~ScreenCaptureLikeBuffer() { CFRelease(buffer_); }

    CMSampleBufferRef get() const { return buffer_; }

private:
    std::vector<float> left_;
    std::vector<float> right_;
    CMSampleBufferRef buffer_ = nullptr;
};

const AudioFormat planarStereo(CommonFormat::float32, 48000.0, 2, false);

std::vector<float> samplesOf(const PCMBuffer& buffer, std::size_t channel, std::size_t count) {
    const auto* samples = static_cast<const float*>(buffer.audioBufferList().at(channel).data);
    return {samples, samples + count};
}

TEST(CoreMediaSampleBuffer, DescribesItsAudio) {
    const ScreenCaptureLikeBuffer source;
    const CoreMediaSampleBuffer buffer(source.get());
    EXPECT_TRUE(buffer.hasFormatDescription());
    EXPECT_EQ(buffer.numSamples(), frames);
    EXPECT_EQ(buffer.streamDescription(), planarStereo.streamDescription());
}

TEST(CoreMediaSampleBuffer, CopiesIntoABufferLargerThanTheFrames) {
    const ScreenCaptureLikeBuffer source;
    const CoreMediaSampleBuffer buffer(source.get());
    // Room for more than the copy: a destination is sized for its capacity.
    auto destination = PCMBuffer::make(planarStereo, frames * 4);
    ASSERT_EQ(buffer.copyPCMData(0, frames, destination->mutableAudioBufferList()), 0);
    EXPECT_EQ(samplesOf(*destination, 0, 3), (std::vector<float>{0, 1, 2}));
    EXPECT_EQ(samplesOf(*destination, 1, 3), (std::vector<float>{0, -1, -2}));
    EXPECT_EQ(samplesOf(*destination, 0, frames).back(), frames - 1);
}

TEST(CoreMediaSampleBuffer, CopiesARangeFromAnOffset) {
    const ScreenCaptureLikeBuffer source;
    const CoreMediaSampleBuffer buffer(source.get());
    auto destination = PCMBuffer::make(planarStereo, 3);
    ASSERT_EQ(buffer.copyPCMData(2, 3, destination->mutableAudioBufferList()), 0);
    EXPECT_EQ(samplesOf(*destination, 0, 3), (std::vector<float>{2, 3, 4}));
}

TEST(CoreMediaSampleBuffer, RefusesCopiesThatDoNotFit) {
    const ScreenCaptureLikeBuffer source;
    const CoreMediaSampleBuffer buffer(source.get());
    auto small = PCMBuffer::make(planarStereo, frames - 1);
    EXPECT_NE(buffer.copyPCMData(0, frames, small->mutableAudioBufferList()), 0);
    auto enough = PCMBuffer::make(planarStereo, frames);
    EXPECT_NE(buffer.copyPCMData(4, frames, enough->mutableAudioBufferList()), 0);
    EXPECT_NE(buffer.copyPCMData(-1, 1, enough->mutableAudioBufferList()), 0);
}

TEST(CoreMediaSampleBuffer, KeepsTheBufferAliveForItsOwnLife) {
    const ScreenCaptureLikeBuffer source;
    const CFIndex before = CFGetRetainCount(source.get());
    {
        const CoreMediaSampleBuffer buffer(source.get());
        EXPECT_EQ(CFGetRetainCount(source.get()), before + 1);
    }
    EXPECT_EQ(CFGetRetainCount(source.get()), before);
}

}  // namespace
}  // namespace tallwick
