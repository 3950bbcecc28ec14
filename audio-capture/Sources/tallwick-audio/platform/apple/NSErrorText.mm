#include "platform/apple/NSErrorText.h"

namespace tallwick {

namespace {

PlatformError platformErrorWithText(NSString* text, const char* fallback) {
    const char* utf8 = text.length > 0 ? text.UTF8String : nullptr;
    return PlatformError(utf8 != nullptr ? utf8 : fallback);
}

}  // namespace

PlatformError platformErrorFrom(NSError* error) {
    return platformErrorWithText(error.localizedDescription,
                                 "The operation could not be completed.");
}

PlatformError platformErrorFrom(NSException* exception) {
    return platformErrorWithText(exception.reason, "The audio system raised an exception.");
}

}  // namespace tallwick
