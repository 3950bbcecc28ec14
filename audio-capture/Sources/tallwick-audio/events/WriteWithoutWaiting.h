#pragma once

#include <sys/types.h>

#include <cstddef>

namespace tallwick {

// Writes what `fd` takes right now and returns at once: the bytes written, or
// -1 with errno set (EAGAIN when it takes nothing now). Where the system
// cannot write without waiting, it fails with ENOTSUP and writes nothing.
ssize_t writeWithoutWaiting(int fd, const char* data, std::size_t size);

}  // namespace tallwick
