#include "platform/ProcessEntry.h"

#include <cstdlib>

namespace tallwick {

void runProcess(std::function<int()> work) {
    const int status = work();
    // Nothing is buffered in the process, and capture threads may still be
    // winding down: end without running static destructors under them.
    std::_Exit(status);
}

}  // namespace tallwick
