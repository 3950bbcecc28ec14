#pragma once

#include <functional>
#include <memory>
#include <string>

namespace tallwick {

// Runs tasks one at a time, in the order they were submitted.
class SerialQueue {
public:
    virtual ~SerialQueue() = default;
    virtual void async(std::function<void()> task) = 0;
};

}  // namespace tallwick
