#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tallwick {

// Converted samples waiting for room in a caller's output buffer. The resampler
// releases output in blocks that need not fit the buffer of the call that
// produced them; what does not fit waits here for the next call, so no sample
// is dropped or repeated. Storage grows only when more is waiting than ever
// before, never per call.
class SampleFifo {
public:
    explicit SampleFifo(std::size_t initialCapacity);

    std::size_t size() const { return end_ - begin_; }

    // Room for `count` more samples at the back; throws std::bad_alloc when the
    // storage cannot grow. Valid until the next call on the fifo.
    std::int16_t* prepareBack(std::size_t count);
    void commitBack(std::size_t count) { end_ += count; }

    // Moves up to `maxCount` samples from the front to `out`; returns how many.
    std::size_t popFront(std::int16_t* out, std::size_t maxCount);

private:
    std::vector<std::int16_t> storage_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace tallwick
