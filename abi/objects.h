// Values of the object functions that a plug-in passes or is answered.
#pragma once

#include <cstdint>

// The value code that MQObj_GetIntValue is asked for by an appending store.
enum : int32_t { MQOBJ_ID_APPEND_FILTER = 262 };

// The show and hide values of MQObj_SetVisible; MQObj_GetVisible answers non-zero for shown.
enum : uint32_t { MQOBJ_VISIBLE = 0xFFFFFFFFu, MQOBJ_HIDDEN = 0u };
