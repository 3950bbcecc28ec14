#pragma once

#include <soxr.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "convert/MonoResampler.h"

namespace tallwick {

// libsoxr's high-quality linear-phase stream resampler, in single precision,
// without dither so that the same input always gives the same output.
class SoxrResampler final : public MonoResampler {
public:
    static std::unique_ptr<SoxrResampler> create(double inputRate);

    std::optional<PlatformError> process(std::span<const float> input,
                                         SampleFifo& output) override;

private:
    struct SoxrDeleter {
        void operator()(soxr_t resampler) const { soxr_delete(resampler); }
    };
    using Handle = std::unique_ptr<std::remove_pointer_t<soxr_t>, SoxrDeleter>;

    explicit SoxrResampler(Handle handle);

    Handle handle_;
    std::vector<float> block_;
};

}  // namespace tallwick
