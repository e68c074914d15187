// The one thread on which the served host runs. The plug-in and the host's model are
// single-threaded, as in the host modeller: every request of the page becomes a task that
// runs here, and the thread that posted it waits for its result.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace host::serve {

class HostThread {
public:
    // From any thread. False when the host thread has stopped, and the task will not run.
    bool Post(std::function<void()> task);

    // From any thread but the host thread: runs `work` there and returns what it returned.
    // Throws when the host thread stopped before running it (std::runtime_error when it
    // had stopped already, std::future_error when the task was dropped).
    template <typename Work>
    auto Call(Work work) -> decltype(work()) {
        using Result = decltype(work());
        auto promise = std::make_shared<std::promise<Result>>();
        std::future<Result> result = promise->get_future();
        bool posted = Post([promise, work = std::move(work)]() mutable {
            try {
                if constexpr (std::is_void_v<Result>) {
                    work();
                    promise->set_value();
                } else {
                    promise->set_value(work());
                }
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        });
        if (!posted) throw std::runtime_error("the host has stopped");
        return result.get();
    }

    // On the host thread: runs the posted tasks in order until `done()` holds, checked
    // before each task, or until Stop. A task may call it again, as a host's modal loop
    // runs inside the call that opened a dialog; the inner loop takes the tasks posted
    // meanwhile and returns to the outer one when its own condition holds.
    void RunUntil(const std::function<bool()>& done);

    // From any thread: every loop returns as soon as its task is done, and nothing more
    // is taken; tasks still queued are dropped, so that their callers hear it.
    void Stop();
    bool stopped() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    bool stopped_ = false;
};

}  // namespace host::serve
