// Keeps C++ exceptions from crossing into the host.
#pragma once

#include <utility>

// Runs `body` and returns its result; returns `failure` when the body throws. Every C
// entry point of the library goes through this: an exception that reached the host would
// take the host process down, and the only ones that can arise are the standard
// library's (allocation and length errors).
template <typename Result, typename Body>
Result Guarded(Result failure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return failure;
    }
}
