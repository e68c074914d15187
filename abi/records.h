// The plain values that cross between the host modeller and a plug-in: host handles,
// the 32-bit boolean and the option array that most calls carry.
#pragma once

#include <cstddef>
#include <cstdint>

// Opaque handles owned by the host; a plug-in never frees one.
using MQDocument = void*;
using MQObject = void*;
using MQScene = void*;
using MQXmlElement = void*;

// The host's boolean: 0 false, 1 true.
typedef int32_t BOOL32;

// One entry of an option array. The array ends with an entry whose name is null; that
// entry's value is not read. Numbers travel as pointers to them, strings and handles as
// the value pointer itself, outputs as pointers to the caller's preset variable.
struct MQOption {
    const char* name;
    void* value;
};
static_assert(sizeof(MQOption) == 2 * sizeof(void*), "option entries are two pointers");
