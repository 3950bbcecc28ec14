// Arbitrary stream descriptions, frame-count claims and sample bytes through
// the converter: never a crash or undefined behaviour, and every chunk is whole
// 16-bit samples.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "convert/PCMConverter.h"
#include "events/EventStream.h"

namespace {

// Reads the fuzz input front to back; past its end every read is zero.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    template <typename T>
    T take() {
        T value{};
        const std::size_t n = std::min(sizeof(T), size_ - used_);
        if (n > 0) std::memcpy(&value, data_ + used_, n);
        used_ += n;
        return value;
    }
    std::vector<std::byte> rest(std::size_t limit) {
        const std::size_t n = std::min(limit, size_ - used_);
        std::vector<std::byte> bytes(n);
        if (n > 0) std::memcpy(bytes.data(), data_ + used_, n);
        used_ += n;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

// A captured buffer that holds exactly the bytes it was given, whatever it claims.
class FuzzedSampleBuffer final : public tallwick::SampleBuffer {
public:
    FuzzedSampleBuffer(std::optional<tallwick::StreamDescription> description, std::int64_t frames,
                       std::vector<std::vector<std::byte>> regions)
        : description_(description), frames_(frames), regions_(std::move(regions)) {}

    bool hasFormatDescription() const override { return description_.has_value(); }
    std::optional<tallwick::StreamDescription> streamDescription() const override { return description_; }
    std::int64_t numSamples() const override { return frames_; }
    int copyPCMData(std::int32_t offset, std::int32_t count,
                    tallwick::AudioBufferList& destination) const override {
        if (offset != 0 || count < 0 || destination.size() != regions_.size()) return -1;
        for (std::size_t r = 0; r < regions_.size(); ++r) {
            const std::size_t wanted = std::min<std::size_t>(destination[r].dataByteSize, regions_[r].size());
            if (wanted > 0) std::memcpy(destination[r].data, regions_[r].data(), wanted);
        }
        return 0;
    }

private:
    std::optional<tallwick::StreamDescription> description_;
    std::int64_t frames_;
    std::vector<std::vector<std::byte>> regions_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        tallwick::standardOutputEvents().redirect(-1);  // the format log goes nowhere
        tallwick::standardOutputEvents().onReaderGone([] {});
        return true;
    }();
    (void)quiet;
    static tallwick::PCMConverter converter;  // one for the run: its state must survive anything

    Input input(data, size);
    tallwick::StreamDescription d;
    d.sampleRate = input.take<double>();
    d.channelsPerFrame = input.take<std::uint8_t>();
    const auto flags = input.take<std::uint8_t>();
    d.sampleType = flags & 1 ? tallwick::SampleType::floatingPoint : tallwick::SampleType::signedInteger;
    d.interleaved = flags & 2;
    d.bigEndian = flags & 4;
    d.bitsPerChannel = input.take<std::uint8_t>();
    const auto frames = static_cast<std::int64_t>(input.take<std::uint16_t>()) *
                        ((flags & 0x28) == 0x28 ? 65536 : 1);
    const std::size_t regions = d.interleaved ? 1 : std::min<std::uint32_t>(d.channelsPerFrame, 40);
    std::vector<std::vector<std::byte>> bytes;
    for (std::size_t r = 0; r < regions; ++r) bytes.push_back(input.rest(1 << 16));

    const FuzzedSampleBuffer buffer(flags & 16 ? std::nullopt : std::optional(d), frames, std::move(bytes));
    if (const auto chunk = converter.convert(buffer)) {
        if (chunk->empty() || chunk->size() % 2 != 0) std::abort();
    }
    return 0;
}
