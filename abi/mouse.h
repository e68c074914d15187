// The bits of "button_state", the mouse and modifier state that mouse and key events
// carry. Bits above MQMOUSE_FLAG20 have no meaning.
#pragma once

#include <cstdint>

enum : int32_t {
    MQMOUSE_LEFT = 0x01,
    MQMOUSE_RIGHT = 0x02,
    MQMOUSE_SHIFT = 0x04,
    MQMOUSE_CTRL = 0x08,
    MQMOUSE_MIDDLE = 0x10,
    MQMOUSE_FLAG20 = 0x20
};

// Option names of the mouse state.
inline constexpr char MQMOUSE_KEY_BUTTON_STATE[] = "button_state";
inline constexpr char MQMOUSE_KEY_POS_X[] = "mouse_pos_x";
inline constexpr char MQMOUSE_KEY_POS_Y[] = "mouse_pos_y";
inline constexpr char MQMOUSE_KEY_WHEEL[] = "mouse_wheel";
