#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/AudioFormat.h"

namespace tallwick {

// One contiguous region of samples: all channels of an interleaved buffer, or
// one channel of a non-interleaved one.
struct AudioBuffer {
    std::uint32_t numberChannels = 0;
    std::uint32_t dataByteSize = 0;
    void* data = nullptr;
};

// What a backend copies captured samples into: one AudioBuffer for an
// interleaved format, one per channel otherwise.
using AudioBufferList = std::vector<AudioBuffer>;

// PCM samples of one format, with room for frameCapacity frames of which the
// first frameLength are valid.
class PCMBuffer {
public:
    // No capture buffer comes near this (it is minutes of 32-channel audio); a
    // sample buffer that claims more is not believed.
    static constexpr std::uint64_t maxStorageBytes = 256u << 20;

    // None when the capacity is 0 or the storage would exceed maxStorageBytes
    // or not fit in memory.
    static std::unique_ptr<PCMBuffer> make(const AudioFormat& format, std::uint32_t frameCapacity);

    // A buffer over samples that someone else owns (a capture backend's own
    // buffer), so that captured audio reaches the converter without a copy.
    // `regions` must be laid out as make() lays out its storage, each covering
    // at least frameCapacity frames, and must outlive the PCMBuffer. None when
    // they are not, or when the capacity is 0.
    static std::unique_ptr<PCMBuffer> wrap(const AudioFormat& format, std::uint32_t frameCapacity,
                                           const AudioBufferList& regions);

    // Gives a buffer of make()'s a new capacity, as if made anew (frame length
    // 0, contents unspecified), keeping its storage when that is large enough,
    // so that a buffer used over and over stops allocating. False, leaving the
    // buffer as it was, where make() would refuse the capacity or for a
    // wrapped buffer.
    bool remake(std::uint32_t frameCapacity);

    const AudioFormat& format() const { return format_; }
    std::uint32_t frameCapacity() const { return frameCapacity_; }
    std::uint32_t frameLength() const { return frameLength_; }
    // Clamped to the capacity.
    void setFrameLength(std::uint32_t frames);

    // The storage as a buffer list whose sizes cover the whole capacity.
    AudioBufferList& mutableAudioBufferList() { return bufferList_; }
    const AudioBufferList& audioBufferList() const { return bufferList_; }

    // One pointer per channel for a 16-bit integer buffer (for an interleaved
    // buffer every pointer starts at the first frame); nullptr otherwise.
    std::int16_t* const* int16ChannelData();

private:
    PCMBuffer(const AudioFormat& format, std::uint32_t frameCapacity);
    PCMBuffer(const AudioFormat& format, std::uint32_t frameCapacity, AudioBufferList regions);
    // Whether make() gives `format` that capacity.
    static bool fitsStorage(const AudioFormat& format, std::uint32_t frameCapacity);
    // Points the buffer list at storage for `frameCapacity` frames, growing
    // the storage first where it is smaller. Throws std::bad_alloc, leaving
    // the buffer as it was.
    void layOut(std::uint32_t frameCapacity);
    void findInt16Channels();

    AudioFormat format_;
    std::uint32_t frameCapacity_;
    std::uint32_t frameLength_ = 0;
    std::vector<std::unique_ptr<std::byte[]>> storage_;
    std::uint32_t storageFrames_ = 0;
    AudioBufferList bufferList_;
    std::vector<std::int16_t*> int16Channels_;
};

}  // namespace tallwick
