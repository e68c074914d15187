#include "widgets/widget_events.h"

#include <cstring>
#include <memory>

#include "abi/mouse.h"
#include "plugin/guard.h"
#include "plugin/options.h"
#include "widgets/widget_classes.h"

namespace {

// The mouse events, in the order the names are tried.
constexpr const char* kMouseEvents[] = {
    MQEVT_LEFTDOWN,  MQEVT_LEFTUP,  MQEVT_LEFTDOUBLECLICK,  MQEVT_MIDDLEDOWN, MQEVT_MIDDLEUP,
    MQEVT_MIDDLEDOUBLECLICK, MQEVT_RIGHTDOWN, MQEVT_RIGHTUP, MQEVT_RIGHTDOUBLECLICK,
    MQEVT_MOUSEMOVE, MQEVT_MOUSEWHEEL};

// Bits of "button_state" above MQMOUSE_FLAG20 mean nothing to the plug-in.
template <typename Record>
void ReadButtonState(const MQOption* options, Record& record) {
    int32_t state = GetOptionInt(options, MQMOUSE_KEY_BUTTON_STATE, 0);
    record.LButton = (state & MQMOUSE_LEFT) != 0;
    record.MButton = (state & MQMOUSE_MIDDLE) != 0;
    record.RButton = (state & MQMOUSE_RIGHT) != 0;
    record.Shift = (state & MQMOUSE_SHIFT) != 0;
    record.Ctrl = (state & MQMOUSE_CTRL) != 0;
    record.Flag20 = (state & MQMOUSE_FLAG20) != 0;
}

WidgetMouseRecord ReadMouseRecord(const MQOption* options) {
    WidgetMouseRecord record{};
    record.client_x = GetOptionInt(options, MQEVT_KEY_CLIENT_X, 0);
    record.client_y = GetOptionInt(options, MQEVT_KEY_CLIENT_Y, 0);
    record.screen_x = GetOptionInt(options, MQEVT_KEY_SCREEN_X, 0);
    record.screen_y = GetOptionInt(options, MQEVT_KEY_SCREEN_Y, 0);
    record.down_x = GetOptionInt(options, MQEVT_KEY_DOWN_X, 0);
    record.down_y = GetOptionInt(options, MQEVT_KEY_DOWN_Y, 0);
    record.last_x = GetOptionInt(options, MQEVT_KEY_LAST_X, 0);
    record.last_y = GetOptionInt(options, MQEVT_KEY_LAST_Y, 0);
    record.wheel_delta = GetOptionInt(options, MQEVT_KEY_WHEEL_DELTA, 0);
    ReadButtonState(options, record);
    return record;
}

WidgetKeyRecord ReadKeyRecord(const MQOption* options) {
    WidgetKeyRecord record{};
    record.key = GetOptionInt(options, MQEVT_KEY_KEY, 0);
    record.auto_repeat = GetOptionInt(options, MQEVT_KEY_AUTO_REPEAT, 0) != 0;
    ReadButtonState(options, record);
    return record;
}

int32_t DeliverEvent(void* document, const MQOption* options, void* pointer) {
    int32_t target = GetOptionInt(options, MQEVT_KEY_TARGET_ID, 0);
    int32_t sender = GetOptionInt(options, MQEVT_KEY_SENDER_ID, 0);
    if (options == nullptr) return 0;
    const char* name = static_cast<const char*>(FindOptionValue(options, MQEVT_KEY_TYPE));
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
        auto canvas = std::make_unique<MQCanvas>(FindOptionValue(options, MQEVT_KEY_CANVAS));
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
    if (std::strcmp(event_name, MQEVT_KEYDOWN) == 0 || std::strcmp(event_name, MQEVT_KEYUP) == 0) return WidgetRecordKind::Key;
    if (std::strcmp(event_name, MQEVT_PAINT) == 0) return WidgetRecordKind::Paint;
    return WidgetRecordKind::None;
}

extern "C" int32_t WidgetEventProc(void* document, void* options, void* pointer) {
    return Guarded<int32_t>(0, [&] { return DeliverEvent(document, static_cast<const MQOption*>(options), pointer); });
}
