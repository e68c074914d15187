// MQWidget_Value(widget, op, options): the operation codes, what each takes, and the
// widget types a plug-in may create.
#pragma once

#include <cstdint>

// Outputs ("id", "result") are preset by the caller; a host that answers nothing leaves
// the preset, which is the operation's failure.
enum : int32_t {
    MQWIDGET_MESSAGEBOX = 0x001,        // widget 0; see message_box.h; "parent", out "result"
    MQWIDGET_GET_SYSTEM = 0x100,        // widget 0; "system", out "result" (an id, preset -1)
    MQWIDGET_CREATE = 0x101,            // widget 0; "type", out "id" (preset 0)
    MQWIDGET_DELETE = 0x102,            // the widget; an empty option array
    MQWIDGET_ADD_CHILD = 0x201,         // the parent frame or window; "child", out "result" (preset -1)
    MQWIDGET_REMOVE_CHILD = 0x202,      // the parent; "child"
    MQWIDGET_ADD_CHILD_WINDOW = 0x203,  // the parent window; "child", out "result" (preset -1)
    MQWIDGET_GET_VALUE = 0x301,         // the widget; exactly one property key (widget_keys.h), preset
    MQWIDGET_SET_VALUE = 0x302,         // the widget; exactly one property key
    MQWIDGET_ADD_EVENT = 0x304          // the widget; "type", "proc", "pointer", "prior"
};

// Option names of the operations.
inline constexpr char MQWIDGET_KEY_TYPE[] = "type";
inline constexpr char MQWIDGET_KEY_ID[] = "id";
inline constexpr char MQWIDGET_KEY_CHILD[] = "child";
inline constexpr char MQWIDGET_KEY_RESULT[] = "result";
inline constexpr char MQWIDGET_KEY_PARENT[] = "parent";
inline constexpr char MQWIDGET_KEY_SYSTEM[] = "system";
inline constexpr char MQWIDGET_KEY_PROC[] = "proc";        // the MQWidgetEventProc_Fn to call
inline constexpr char MQWIDGET_KEY_POINTER[] = "pointer";  // passed back to it unchanged
inline constexpr char MQWIDGET_KEY_PRIOR[] = "prior";      // pointer to an 8-bit flag

// The values of "type" for MQWIDGET_CREATE, and of "system" for MQWIDGET_GET_SYSTEM.
inline constexpr char MQWIDGET_TYPE_WINDOW[] = "window";
inline constexpr char MQWIDGET_TYPE_FRAME[] = "frame";
inline constexpr char MQWIDGET_TYPE_BUTTON[] = "button";
inline constexpr char MQWIDGET_SYSTEM_MAIN_WINDOW[] = "main_window";
