#pragma once
// The one lock of the task table. Re-entrant for the thread that holds it, and able to tell
// whether the calling thread holds it: the window thread must not wait for the workers while a
// command further down its own stack still holds the lock the workers are waiting for.

#include <atomic>
#include <mutex>
#include <thread>

class TaskLock {
public:
    void lock() {
        mutex_.lock();
        if (depth_++ == 0)
            owner_.store(std::this_thread::get_id());
    }
    bool try_lock() {
        if (!mutex_.try_lock())
            return false;
        if (depth_++ == 0)
            owner_.store(std::this_thread::get_id());
        return true;
    }
    void unlock() {
        if (--depth_ == 0)
            owner_.store(std::thread::id());
        mutex_.unlock();
    }
    bool heldByThisThread() const { return owner_.load() == std::this_thread::get_id(); }

private:
    std::recursive_mutex mutex_;
    int depth_ = 0; // changed only by the holder
    std::atomic<std::thread::id> owner_{};
};

using TaskLockGuard = std::lock_guard<TaskLock>;
