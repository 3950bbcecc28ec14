#include "CaptureError.h"

namespace tallwick {

const std::string& CaptureError::errorDescription() const {
    static const std::string noDisplayText = "No display available for audio capture.";
    static const std::string micDeniedText =
        "Microphone access denied. Enable it in System Settings \u2192 Privacy \u2192 Microphone.";
    static const std::string converterFailedText = "Could not initialize audio converter.";
    switch (which_) {
        case Case::noDisplay:
            return noDisplayText;
        case Case::micDenied:
            return micDeniedText;
        case Case::converterFailed:
            return converterFailedText;
    }
    return converterFailedText;  // unreachable: every case returns above
}

}  // namespace tallwick
