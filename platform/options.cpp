#include "platform/options.h"

#include <cstring>

namespace platform {

const MQOption* FindOption(const MQOption* options, const char* name) {
    if (options == nullptr || name == nullptr) return nullptr;
    for (const MQOption* entry = options; entry->name != nullptr; ++entry) {
        if (std::strcmp(entry->name, name) == 0) return entry;
    }
    return nullptr;
}

void* FindOptionValue(const MQOption* options, const char* name) {
    const MQOption* entry = FindOption(options, name);
    return entry != nullptr ? entry->value : nullptr;
}

}  // namespace platform
