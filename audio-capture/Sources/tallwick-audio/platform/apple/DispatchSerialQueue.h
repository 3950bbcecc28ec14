#pragma once

#include <dispatch/dispatch.h>

#include <functional>
#include <string>

#include "platform/SerialQueue.h"

namespace tallwick {

// A serial dispatch queue: what ScreenCaptureKit delivers sample buffers on.
// Tasks already submitted still run after the wrapper is gone, since the queue
// lives on while it has work.
class DispatchSerialQueue final : public SerialQueue {
public:
    explicit DispatchSerialQueue(const std::string& label);

    void async(std::function<void()> task) override;

    dispatch_queue_t queue() const { return queue_; }

private:
    dispatch_queue_t queue_;
};

}  // namespace tallwick
