#include "widgets/widget_events.h"

#include <cstring>
#include <memory>

#include "plugin/guard.h"
#include "plugin/options.h"
#include "widgets/widget_classes.h"

namespace {

// The mouse events, in the order the names are tried.
constexpr const char* kMouseEvents[] = {
    "leftdown",  "leftup",    "leftdoubleclick",  "middledown", "middleup",  "middledoubleclick",
    "rightdown", "rightup",   "rightdoubleclick", "mousemove",  "mousewheel"};


// Bits of "button_state" above 0x20 mean nothing to the plug-in.
template <typename Record>
void ReadButtonState(const MQOption* options, Record& record) {
    int32_t state = GetOptionInt(options, "button_state", 0);
    record.LButton = (state & 0x01) != 0;
    record.MButton = (state & 0x10) != 0;
    record.RButton = (state & 0x02) != 0;
    record.Shift = (state & 0x04) != 0;
    record.Ctrl = (state & 0x08) != 0;
    record.Flag20 = (state & 0x20) != 0;
}

WidgetMouseRecord ReadMouseRecord(const MQOption* options) {
    WidgetMouseRecord record{};
    record.client_x = GetOptionInt(options, "client_x", 0);
    record.client_y = GetOptionInt(options, "client_y", 0);
    record.screen_x = GetOptionInt(options, "screen_x", 0);
    record.screen_y = GetOptionInt(options, "screen_y", 0);
    record.down_x = GetOptionInt(options, "down_x", 0);
    record.down_y = GetOptionInt(options, "down_y", 0);
    record.last_x = GetOptionInt(options, "last_x", 0);
    record.last_y = GetOptionInt(options, "last_y", 0);
    record.wheel_delta = GetOptionInt(options, "wheel_delta", 0);
    ReadButtonState(options, record);
    return record;
}

WidgetKeyRecord ReadKeyRecord(const MQOption* options) {
    WidgetKeyRecord record{};
    record.key = GetOptionInt(options, "key", 0);
    record.auto_repeat = GetOptionInt(options, "auto_repeat", 0) != 0;
    ReadButtonState(options, record);
    return record;
}

int32_t DeliverEvent(void* document, const MQOption* options, void* pointer) {
    int32_t target = GetOptionInt(options, "target_id", 0);
    int32_t sender = GetOptionInt(options, "sender_id", 0);
    if (options == nullptr) return 0;
    const char* name = static_cast<const char*>(FindOptionValue(options, "type"));
    if (name == nullptr) return 0;
    MQWidgetBase* widget = MQWidgetBase::FindWidget(target);
    if (widget == nullptr) return 0;
    // Held for the call, so that a handler may destroy the widget whose list holds it.
    std::shared_ptr<MQWidgetEventClosureBase> closure = widget->FindHandler(pointer);
    if (closure == nullptr) return 0;
    WidgetRecordKind kind = RecordKindOf(name);
    if (!closure->Accepts(kind)) return 0;
    MQWidgetBase* sender_widget = MQWidgetBase::FindWidget(sender);

    if (kind == WidgetRecordKind::Mouse) {
        WidgetMouseRecord record = ReadMouseRecord(options);
        return closure->Invoke(sender_widget, document, &record);
    }
    if (kind == WidgetRecordKind::Key) {
        WidgetKeyRecord record = ReadKeyRecord(options);
        return closure->Invoke(sender_widget, document, &record);
    }
    if (kind == WidgetRecordKind::Paint) {
        auto canvas = std::make_unique<MQCanvas>(FindOptionValue(options, "canvas"));
        WidgetPaintRecord record{canvas.get()};
        int32_t result = closure->Invoke(sender_widget, document, &record);
        canvas.release();
        delete record.canvas;
        return result;
    }
    return closure->Invoke(sender_widget, document, nullptr);
}

}  // namespace

WidgetRecordKind RecordKindOf(const char* event_name) {
    if (event_name == nullptr) return WidgetRecordKind::None;
    for (const char* mouse : kMouseEvents) {
        if (std::strcmp(event_name, mouse) == 0) return WidgetRecordKind::Mouse;
    }
    if (std::strcmp(event_name, "keydown") == 0 || std::strcmp(event_name, "keyup") == 0) return WidgetRecordKind::Key;
    if (std::strcmp(event_name, "paint") == 0) return WidgetRecordKind::Paint;
    return WidgetRecordKind::None;
}

extern "C" int32_t WidgetEventProc(void* document, void* options, void* pointer) {
    return Guarded<int32_t>(0, [&] { return DeliverEvent(document, static_cast<const MQOption*>(options), pointer); });
}
