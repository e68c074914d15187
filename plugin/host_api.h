// The host API table: one entry per host function, bound by name in MQInit.
#pragma once

#include <cstdint>

#include "abi/host_functions.h"

// Every entry is null from library load until MQInit binds it; only MQInit writes the
// table. The ten functions the plug-in calls have typed entries; the others are kept as
// untyped addresses. Calls go through the host's own names: g_host.MQDoc_GetObject(...).
struct MQHostApi {
#define MQ_HOST_ENTRY_CALLED(name) name##_Fn* name;
#define MQ_HOST_ENTRY_BOUND(name) void* name;
    MQ_HOST_FUNCTIONS(MQ_HOST_ENTRY_CALLED, MQ_HOST_ENTRY_BOUND)
#undef MQ_HOST_ENTRY_CALLED
#undef MQ_HOST_ENTRY_BOUND
};

extern MQHostApi g_host;

// The number of non-null entries of the table.
int CountBoundHostFunctions();

// The two exports that concern the host API itself, callable from inside the library.
uint32_t CheckHostVersion(uint32_t host_version);
int32_t BindHostApi(const char* host_module_file);
