#include "platform/ProcessEntry.h"

#include <CoreFoundation/CoreFoundation.h>
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

// The main thread runs the main run loop, as an application's does. Core Audio
// delivers its device notifications through it (without them an unplugged
// microphone would go silent instead of ending the capture), and it serves the
// main dispatch queue, through which the frameworks deliver some completions
// and permission prompts. dispatch_main() would serve the queue alone.
[[noreturn]] void serveMainRunLoop() {
    // A source that never fires keeps the loop waiting rather than returning
    // at once while it has nothing else to watch.
    CFRunLoopSourceContext context{};
    context.perform = [](void*) {};
    CFRunLoopSourceRef idle = CFRunLoopSourceCreate(kCFAllocatorDefault, 0, &context);
    CFRunLoopAddSource(CFRunLoopGetMain(), idle, kCFRunLoopCommonModes);
    for (;;) {
        CFRunLoopRun();
    }
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
    serveMainRunLoop();
}

}  // namespace tallwick
