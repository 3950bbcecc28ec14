#include "Pipe.h"

#include <fcntl.h>
#include <unistd.h>

namespace tallwick::listen {

bool makePipe(int ends[2], bool nonBlocking) {
    if (::pipe(ends) != 0) {
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        const int statusFlags = ::fcntl(ends[i], F_GETFL);
        if (::fcntl(ends[i], F_SETFD, FD_CLOEXEC) != 0 || statusFlags < 0 ||
            (nonBlocking && ::fcntl(ends[i], F_SETFL, statusFlags | O_NONBLOCK) != 0)) {
            ::close(ends[0]);
            ::close(ends[1]);
            return false;
        }
    }
    return true;
}

}  // namespace tallwick::listen
