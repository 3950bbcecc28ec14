#include "events/WriteWithoutWaiting.h"

#include <sys/uio.h>

#include <cerrno>

namespace tallwick {

ssize_t writeWithoutWaiting(int fd, const char* data, std::size_t size) {
#ifdef RWF_NOWAIT
    // Per call, unlike O_NONBLOCK, which would change the descriptor for
    // every process that shares it (a terminal, a parent's own output).
    iovec piece{const_cast<char*>(data), size};
    const ssize_t written = ::pwritev2(fd, &piece, 1, -1, RWF_NOWAIT);
    if (written < 0 && (errno == EOPNOTSUPP || errno == EINVAL || errno == ENOSYS)) {
        errno = ENOTSUP;
    }
    return written;
#else
    (void)fd;
    (void)data;
    (void)size;
    errno = ENOTSUP;
    return -1;
#endif
}

}  // namespace tallwick
