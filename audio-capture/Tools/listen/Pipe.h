#pragma once

namespace tallwick::listen {

// pipe() with both ends close-on-exec (and non-blocking if asked). Portable
// POSIX, unlike pipe2(), which macOS lacks; the inspector has one thread, so
// no exec can slip in between the calls.
bool makePipe(int ends[2], bool nonBlocking);

}  // namespace tallwick::listen
