#include "host/drive/process_memory.h"

#include <cstdio>

#if defined(_WIN32)
// GetProcessMemoryInfo from kernel32 itself, not from psapi.dll.
#define PSAPI_VERSION 2
#include <windows.h>

#include <psapi.h>
#else
#include <unistd.h>
#endif

namespace host {

std::optional<size_t> ResidentBytes() {
#if defined(_WIN32)
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) || counters.WorkingSetSize == 0) {
        return std::nullopt;
    }
    return counters.WorkingSetSize;
#else
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return std::nullopt;
    unsigned long size = 0, resident = 0;
    int read = std::fscanf(statm, "%lu %lu", &size, &resident);
    std::fclose(statm);
    long page = sysconf(_SC_PAGESIZE);
    if (read != 2 || page <= 0) return std::nullopt;
    return static_cast<size_t>(resident) * static_cast<size_t>(page);
#endif
}

}  // namespace host
