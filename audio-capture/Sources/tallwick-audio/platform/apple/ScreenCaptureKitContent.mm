#include "platform/apple/ScreenCaptureKitContent.h"

namespace tallwick {

std::string ScreenCaptureKitDisplay::name() const {
    return "Display " + std::to_string(display_.displayID) + " (" +
           std::to_string(display_.width) + "x" + std::to_string(display_.height) + ")";
}

ScreenCaptureKitShareableContent::ScreenCaptureKitShareableContent(SCShareableContent* content)
    : content_(content) {
    for (SCDisplay* display in content_.displays) {
        displays_.push_back(std::make_shared<ScreenCaptureKitDisplay>(display));
    }
}

}  // namespace tallwick
