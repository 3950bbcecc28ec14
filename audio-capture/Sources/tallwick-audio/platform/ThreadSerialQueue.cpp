#include "platform/ThreadSerialQueue.h"

#if defined(__linux__)
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace tallwick {

namespace {

#if defined(__linux__)
static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));

std::uint32_t* futexWord(std::atomic<std::uint32_t>& word) {
    return reinterpret_cast<std::uint32_t*>(&word);
}
#endif

// Sleeps unless `word` has moved on from `seen` (spurious returns are fine).
void sleepUnlessChanged(std::atomic<std::uint32_t>& word, std::uint32_t seen) {
#if defined(__linux__)
    // Straight to the kernel: the standard library's wait first spins and
    // yields the processor several times, system calls that a thread idling
    // for milliseconds between tasks only pays for.
    ::syscall(SYS_futex, futexWord(word), FUTEX_WAIT_PRIVATE, seen, nullptr, nullptr, 0);
#else
    word.wait(seen, std::memory_order_acquire);
#endif
}

void wakeOne(std::atomic<std::uint32_t>& word) {
#if defined(__linux__)
    ::syscall(SYS_futex, futexWord(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
#else
    word.notify_one();
#endif
}

}  // namespace

ThreadSerialQueue::ThreadSerialQueue(std::string label)
    : label_(std::move(label)),
      tasks_(std::make_shared<Tasks>()),
      worker_([tasks = tasks_] { work(tasks); }) {}

ThreadSerialQueue::~ThreadSerialQueue() {
    {
        std::lock_guard lock(tasks_->mutex);
        tasks_->closing = true;
    }
    tasks_->announce();
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
    tasks_->announce();
}

void ThreadSerialQueue::Tasks::announce() {
    changes.fetch_add(1, std::memory_order_release);
    wakeOne(changes);
}

void ThreadSerialQueue::work(const std::shared_ptr<Tasks>& tasks) {
    for (;;) {
        std::function<void()> task;
        std::uint32_t seen = 0;
        {
            std::lock_guard lock(tasks->mutex);
            // Read under the lock: a task added after this reading also
            // bumps the counter, so the wait below cannot miss it.
            seen = tasks->changes.load(std::memory_order_acquire);
            if (!tasks->pending.empty()) {
                task = std::move(tasks->pending.front());
                tasks->pending.pop_front();
            } else if (tasks->closing) {
                return;
            }
        }
        if (task) {
            task();
        } else {
            sleepUnlessChanged(tasks->changes, seen);
        }
    }
}

}  // namespace tallwick
