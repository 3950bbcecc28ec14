#include "convert/SampleFifo.h"

#include <algorithm>

namespace tallwick {

SampleFifo::SampleFifo(std::size_t initialCapacity) : storage_(initialCapacity) {}

std::int16_t* SampleFifo::prepareBack(std::size_t count) {
    if (storage_.size() - end_ < count && begin_ > 0) {
        std::copy(storage_.begin() + static_cast<std::ptrdiff_t>(begin_),
                  storage_.begin() + static_cast<std::ptrdiff_t>(end_), storage_.begin());
        end_ -= begin_;
        begin_ = 0;
    }
    if (storage_.size() - end_ < count) {
        storage_.resize(std::max(storage_.size() * 2, end_ + count));
    }
    return storage_.data() + end_;
}

std::size_t SampleFifo::popFront(std::int16_t* out, std::size_t maxCount) {
    const std::size_t count = std::min(maxCount, size());
    std::copy_n(storage_.begin() + static_cast<std::ptrdiff_t>(begin_), count, out);
    begin_ += count;
    if (begin_ == end_) {
        begin_ = end_ = 0;
    }
    return count;
}

}  // namespace tallwick
