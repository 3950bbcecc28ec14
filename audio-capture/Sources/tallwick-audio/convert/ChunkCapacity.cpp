#include "convert/ChunkCapacity.h"

#include <cmath>

namespace tallwick {

std::optional<std::uint32_t> chunkFrameCapacity(std::int64_t frames, double inputSampleRate) {
    constexpr double outputRate = 16000.0;
    constexpr double slack = 64;
    constexpr double firstTooLarge = 4294967296.0 - slack;  // 2^32 - 64
    if (frames < 0) {
        return std::nullopt;
    }
    const double needed =
        std::ceil(outputRate / inputSampleRate * static_cast<double>(frames));
    // Written so that NaN fails the test too.
    if (!(needed >= 0 && needed < firstTooLarge)) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(needed) + static_cast<std::uint32_t>(slack);
}

}  // namespace tallwick
