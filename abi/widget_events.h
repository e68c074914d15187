// Widget events: what the host passes to the event procedure that a plug-in registered
// with MQWIDGET_ADD_EVENT, the event names and the options each carries.
#pragma once

#include <cstdint>

extern "C" {
// Called for each registered event with the document, the event's option array and the
// "pointer" given at registration; the answer goes back to the host as the event's result.
typedef int32_t MQWidgetEventProc_Fn(void* document, void* options, void* pointer);
}

// Event names, the value of "type" at registration and in every event.
inline constexpr char MQEVT_EXECUTE[] = "execute";
inline constexpr char MQEVT_HIDE[] = "hide";
inline constexpr char MQEVT_PAINT[] = "paint";
inline constexpr char MQEVT_KEYDOWN[] = "keydown";
inline constexpr char MQEVT_KEYUP[] = "keyup";
inline constexpr char MQEVT_LEFTDOWN[] = "leftdown";
inline constexpr char MQEVT_LEFTUP[] = "leftup";
inline constexpr char MQEVT_LEFTDOUBLECLICK[] = "leftdoubleclick";
inline constexpr char MQEVT_MIDDLEDOWN[] = "middledown";
inline constexpr char MQEVT_MIDDLEUP[] = "middleup";
inline constexpr char MQEVT_MIDDLEDOUBLECLICK[] = "middledoubleclick";
inline constexpr char MQEVT_RIGHTDOWN[] = "rightdown";
inline constexpr char MQEVT_RIGHTUP[] = "rightup";
inline constexpr char MQEVT_RIGHTDOUBLECLICK[] = "rightdoubleclick";
inline constexpr char MQEVT_MOUSEMOVE[] = "mousemove";
inline constexpr char MQEVT_MOUSEWHEEL[] = "mousewheel";

// Option names of every event.
inline constexpr char MQEVT_KEY_TYPE[] = "type";
inline constexpr char MQEVT_KEY_TARGET_ID[] = "target_id";  // int32: the widget the handler is on
inline constexpr char MQEVT_KEY_SENDER_ID[] = "sender_id";  // int32: the widget it happened to
// Of mouse events, beside "button_state" (mouse.h).
inline constexpr char MQEVT_KEY_CLIENT_X[] = "client_x";
inline constexpr char MQEVT_KEY_CLIENT_Y[] = "client_y";
inline constexpr char MQEVT_KEY_SCREEN_X[] = "screen_x";
inline constexpr char MQEVT_KEY_SCREEN_Y[] = "screen_y";
inline constexpr char MQEVT_KEY_DOWN_X[] = "down_x";
inline constexpr char MQEVT_KEY_DOWN_Y[] = "down_y";
inline constexpr char MQEVT_KEY_LAST_X[] = "last_x";
inline constexpr char MQEVT_KEY_LAST_Y[] = "last_y";
inline constexpr char MQEVT_KEY_WHEEL_DELTA[] = "wheel_delta";
// Of key events.
inline constexpr char MQEVT_KEY_KEY[] = "key";
inline constexpr char MQEVT_KEY_AUTO_REPEAT[] = "auto_repeat";
// Of paint events: the canvas handle.
inline constexpr char MQEVT_KEY_CANVAS[] = "canvas";
