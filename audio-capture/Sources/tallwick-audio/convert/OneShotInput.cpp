#include "convert/OneShotInput.h"

namespace tallwick {

InputBlock oneShotInput(const PCMBuffer& buffer) {
    // Small and trivially copyable, so std::function keeps it inline: making
    // the block allocates nothing.
    return [buffer = &buffer, handedOver = false](std::uint32_t,
                                                  InputStatus& status) mutable -> const PCMBuffer* {
        if (handedOver) {
            status = InputStatus::noDataNow;
            return nullptr;
        }
        handedOver = true;
        status = InputStatus::haveData;
        return buffer;
    };
}

}  // namespace tallwick
