#pragma once

namespace tallwick {

// What the entry relies on from a capture source: run() returns when the
// capture has ended and throws when it cannot be set up. Destroying a runner
// releases whatever it holds on the platform.
class CaptureRunner {
public:
    virtual ~CaptureRunner() = default;
    virtual void run() = 0;
};

}  // namespace tallwick
