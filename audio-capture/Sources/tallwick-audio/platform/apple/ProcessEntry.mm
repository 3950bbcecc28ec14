#include "platform/ProcessEntry.h"

#include <dispatch/dispatch.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

namespace tallwick {

namespace {

[[noreturn]] void runToExit(const std::function<int()>& work) {
    int status = 1;
    try {
        status = work();
    } catch (...) {
        // The work reports its own failures; an escaped exception must still
        // end the process quietly, not through the runtime's message on stderr.
    }
    // Capture callbacks may still be running on framework threads: end
    // without running static destructors under them.
    std::_Exit(status);
}

}  // namespace

void runProcess(std::function<int()> work) {
    auto shared = std::make_shared<std::function<int()>>(std::move(work));
    try {
        std::thread([shared] { runToExit(*shared); }).detach();
    } catch (const std::system_error&) {
        // No thread of our own to be had: a worker of the system's will do.
        dispatch_async(dispatch_get_global_queue(QOS_CLASS_USER_INITIATED, 0), ^{
          runToExit(*shared);
        });
    }
    // The main thread serves the main queue, as an application's does: the
    // frameworks deliver some completions and permission prompts through it.
    dispatch_main();
}

}  // namespace tallwick
