// Lookups in the option arrays that the host sends with events and widget events.
#pragma once

#include <cstdint>

#include "abi/records.h"

// The value pointer of the first entry named `name` (compared byte for byte), which may
// itself be null; null when the array is null or holds no such entry.
void* FindOptionValue(const MQOption* options, const char* name);

// The 32-bit integer that the first entry named `name` points to; `fallback` when the
// array is null, holds no such entry, or that first entry's value pointer is null.
int32_t GetOptionInt(const MQOption* options, const char* name, int32_t fallback);
