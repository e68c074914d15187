// MQWidget_Value: the host's widgets.
#include <string>

#include "host/journal.h"
#include "platform/export.h"
#include "plugin/mq_boundary.h"

extern "C" MQ_EXPORT int32_t MQWidget_Value(int32_t widget, int32_t op, void* options) {
    host::TheJournal().Record("MQWidget_Value",
                              {std::to_string(widget), std::to_string(op), host::PointerText(options)});
    return 0;  // no widgets yet: every out-value keeps its preset
}
