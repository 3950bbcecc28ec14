#include "platform/apple/DispatchSerialQueue.h"

#import <Foundation/Foundation.h>

#include <memory>
#include <utility>

namespace tallwick {

DispatchSerialQueue::DispatchSerialQueue(const std::string& label)
    : queue_(dispatch_queue_create(label.c_str(), DISPATCH_QUEUE_SERIAL)) {}

void DispatchSerialQueue::async(std::function<void()> task) {
    // A block copies what it captures; the shared pointer spares copying the task.
    auto shared = std::make_shared<std::function<void()>>(std::move(task));
    dispatch_async(queue_, ^{
      @autoreleasepool {
          (*shared)();
      }
    });
}

}  // namespace tallwick
