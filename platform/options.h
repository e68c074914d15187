// Lookups in option arrays, the same on both sides of the boundary: the plug-in reads the
// arrays the host sends with events, the stand-in host the arrays of widget requests and
// messages.
#pragma once

#include "abi/records.h"

namespace platform {

// The first entry named `name` (compared byte for byte); later entries of the same name
// are never seen. Null when `options` is null or holds no such entry.
const MQOption* FindOption(const MQOption* options, const char* name);

// The value pointer of that entry, which may itself be null; null when there is none.
void* FindOptionValue(const MQOption* options, const char* name);

}  // namespace platform
