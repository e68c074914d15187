// How much memory this process holds, as the system counts it.
#pragma once

#include <cstddef>
#include <optional>

namespace host {

// The resident set on Linux (/proc/self/statm), the working set on Windows; none where
// the system cannot tell. Both move in whole pages and with the allocator's caches.
std::optional<size_t> ResidentBytes();

}  // namespace host
