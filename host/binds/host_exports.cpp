// The 165 host functions that the plug-in binds but never calls. Each journals the call
// and answers 0; the ten that the plug-in calls live with the models they serve.
#include <cstdint>

#include "host/records/journal.h"
#include "platform/export.h"
#include "abi/host_functions.h"

#define HOST_CALLED_ELSEWHERE(name)
#define HOST_UNUSED_FUNCTION(name)                  \
    extern "C" MQ_EXPORT intptr_t name() {          \
        host::TheJournal().Record(#name);           \
        return 0;                                   \
    }

MQ_HOST_FUNCTIONS(HOST_CALLED_ELSEWHERE, HOST_UNUSED_FUNCTION)
