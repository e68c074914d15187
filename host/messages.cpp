// MQ_SendMessage: messages from the plug-in to the host.
#include <string>

#include "host/journal.h"
#include "platform/export.h"
#include "plugin/mq_boundary.h"

extern "C" MQ_EXPORT int32_t MQ_SendMessage(int32_t code, void* message) {
    host::TheJournal().Record("MQ_SendMessage", {std::to_string(code), host::PointerText(message)});
    return 0;
}
