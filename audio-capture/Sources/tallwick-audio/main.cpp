#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "TallwickAudio.h"
#include "capture/MicCaptureRunner.h"
#include "capture/SystemCaptureRunner.h"
#include "platform/ProcessEntry.h"

namespace {

// The host reads standard output only, and libraries we load (the sound
// server's client among them) print their own complaints to standard error:
// send that to /dev/null before anything can write there. Sanitizer builds
// keep it, since their reports are what those builds are for.
void silenceStandardError() {
#ifndef TALLWICK_KEEP_STANDARD_ERROR
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) {
        // Closing it instead would let the next file opened become
        // descriptor 2, and those complaints would land in that file.
        return;
    }
    if (null != STDERR_FILENO) {
        ::dup2(null, STDERR_FILENO);
        // Also when it took the place of a closed standard input or output:
        // a closed standard output must stay closed, so that writing to it
        // fails and ends the run.
        ::close(null);
    }
#endif
}

}  // namespace

int main(int argc, char** argv) {
    silenceStandardError();
    std::vector<std::string> arguments(argv, argv + argc);
    tallwick::runProcess([arguments = std::move(arguments)] {
        return tallwick::TallwickAudio::main(
            arguments, {
                           [] { return std::make_unique<tallwick::SystemCaptureRunner>(); },
                           [] { return std::make_unique<tallwick::MicCaptureRunner>(); },
                       });
    });
}
