#include "PlatformError.h"

#include "CaptureError.h"

namespace tallwick {

std::string describeFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const CaptureError& error) {
        return error.errorDescription();
    } catch (const PlatformError& error) {
        return error.localizedDescription();
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "Unknown error.";
    }
}

}  // namespace tallwick
