#include "plugin/options.h"

#include <cstring>

namespace {

// The first entry named `name`, or null. Later entries of the same name are never seen.
const MQOption* FindOption(const MQOption* options, const char* name) {
    if (options == nullptr) return nullptr;
    for (const MQOption* entry = options; entry->name != nullptr; ++entry) {
        if (std::strcmp(entry->name, name) == 0) return entry;
    }
    return nullptr;
}

}  // namespace

void* FindOptionValue(const MQOption* options, const char* name) {
    const MQOption* entry = FindOption(options, name);
    return entry != nullptr ? entry->value : nullptr;
}

int32_t GetOptionInt(const MQOption* options, const char* name, int32_t fallback) {
    const MQOption* entry = FindOption(options, name);
    if (entry == nullptr || entry->value == nullptr) return fallback;
    return *static_cast<const int32_t*>(entry->value);
}
