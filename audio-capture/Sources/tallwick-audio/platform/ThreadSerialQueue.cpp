#include "platform/ThreadSerialQueue.h"

namespace tallwick {

ThreadSerialQueue::ThreadSerialQueue(std::string label)
    : label_(std::move(label)),
      tasks_(std::make_shared<Tasks>()),
      worker_([tasks = tasks_] { work(tasks); }) {}

ThreadSerialQueue::~ThreadSerialQueue() {
    {
        std::lock_guard lock(tasks_->mutex);
        tasks_->closing = true;
    }
    tasks_->wake.notify_one();
    if (isCurrent()) {
        // A task released its own queue: the thread finishes the rest on its own.
        worker_.detach();
    } else {
        worker_.join();
    }
}

void ThreadSerialQueue::async(std::function<void()> task) {
    {
        std::lock_guard lock(tasks_->mutex);
        tasks_->pending.push_back(std::move(task));
    }
    tasks_->wake.notify_one();
}

void ThreadSerialQueue::work(const std::shared_ptr<Tasks>& tasks) {
    std::unique_lock lock(tasks->mutex);
    for (;;) {
        tasks->wake.wait(lock, [&] { return tasks->closing || !tasks->pending.empty(); });
        if (tasks->pending.empty()) {
            return;
        }
        auto task = std::move(tasks->pending.front());
        tasks->pending.pop_front();
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
    }
}

}  // namespace tallwick
