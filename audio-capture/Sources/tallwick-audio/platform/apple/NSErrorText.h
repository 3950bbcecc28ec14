#pragma once

#import <Foundation/Foundation.h>

#include "PlatformError.h"

namespace tallwick {

// A framework's error as the host application will show it: its localized
// description, in UTF-8. A failure that came without an error object still
// gets a text, so no "error" event is ever empty.
PlatformError platformErrorFrom(NSError* error);

// An Objective-C exception raised by a framework call, as a platform error.
PlatformError platformErrorFrom(NSException* exception);

}  // namespace tallwick
