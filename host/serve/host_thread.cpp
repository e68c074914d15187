#include "host/serve/host_thread.h"

namespace host::serve {

bool HostThread::Post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_) return false;
        tasks_.push_back(std::move(task));
    }
    changed_.notify_all();
    return true;
}

void HostThread::RunUntil(const std::function<bool()>& done) {
    for (;;) {
        std::function<void()> task;
        // The condition is the host thread's own state, which only tasks change.
        if (done()) return;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopped_ || !tasks_.empty(); });
            if (stopped_) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void HostThread::Stop() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        dropped.swap(tasks_);
    }
    changed_.notify_all();
    // Dropping a task destroys its promise unfulfilled: its caller gets a broken promise.
}

bool HostThread::stopped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
}

}  // namespace host::serve
