#include "plugin/options.h"

#include "platform/options.h"

void* FindOptionValue(const MQOption* options, const char* name) { return platform::FindOptionValue(options, name); }

int32_t GetOptionInt(const MQOption* options, const char* name, int32_t fallback) {
    const MQOption* entry = platform::FindOption(options, name);
    if (entry == nullptr || entry->value == nullptr) return fallback;
    return *static_cast<const int32_t*>(entry->value);
}
