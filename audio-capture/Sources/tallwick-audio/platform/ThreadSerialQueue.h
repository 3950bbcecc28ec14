#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/SerialQueue.h"

namespace tallwick {

// A serial queue on a thread of its own. Destruction runs what was already
// submitted, then joins: captured audio that reached the queue is never dropped.
class ThreadSerialQueue final : public SerialQueue {
public:
    explicit ThreadSerialQueue(std::string label);
    ~ThreadSerialQueue() override;

    void async(std::function<void()> task) override;

    const std::string& label() const { return label_; }
    // True when called from a task of this queue.
    bool isCurrent() const { return std::this_thread::get_id() == worker_.get_id(); }

private:
    // Shared with the worker thread, so that a task may release the queue itself.
    struct Tasks {
        std::mutex mutex;
        std::deque<std::function<void()>> pending;
        bool closing = false;
        // Bumped after every change of the above; the idle worker sleeps on
        // it. A condition variable would do, but waking from one takes the
        // mutex back as if contended, which costs a further system call for
        // every task: with a task every few milliseconds that showed.
        std::atomic<std::uint32_t> changes{0};
        void announce();
    };
    static void work(const std::shared_ptr<Tasks>& tasks);

    std::string label_;
    std::shared_ptr<Tasks> tasks_;
    std::thread worker_;
};

}  // namespace tallwick
