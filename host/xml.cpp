// MQXmlElem_Value: element operations on the host's XML trees.
#include <string>

#include "host/journal.h"
#include "platform/export.h"
#include "plugin/mq_boundary.h"

extern "C" MQ_EXPORT int32_t MQXmlElem_Value(void* element, int32_t op, void* record) {
    host::TheJournal().Record("MQXmlElem_Value",
                              {host::PointerText(element), std::to_string(op), host::PointerText(record)});
    return 0;  // no tree yet: every out-field keeps its null preset
}
