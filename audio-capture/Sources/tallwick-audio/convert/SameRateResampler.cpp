#include "convert/SameRateResampler.h"

#include <new>

#include "convert/FloatToInt16.h"

namespace tallwick {

std::optional<PlatformError> SameRateResampler::process(std::span<const float> input,
                                                        SampleFifo& output) {
    try {
        toInt16(input.data(), input.size(), output.prepareBack(input.size()));
    } catch (const std::bad_alloc&) {
        return PlatformError("Out of memory for converted samples.");
    }
    output.commitBack(input.size());
    return std::nullopt;
}

}  // namespace tallwick
