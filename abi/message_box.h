// The host's modal message box (MQWidget_Value with MQWIDGET_MESSAGEBOX on widget 0):
// the option names and values it takes, and the answers it writes into "result". The
// caller presets "result" to 0; a host that shows no box leaves it, which counts as
// neither answer.
#pragma once

#include <cstdint>

enum : int32_t {
    MQBOX_OK = 1,
    MQBOX_CANCEL = 2
};

inline constexpr char MQBOX_TYPE[] = "messagebox";  // the value of "type"
inline constexpr char MQBOX_OKCANCEL[] = "okcancel";  // the value of "messagetype"
inline constexpr char MQBOX_KEY_MESSAGE_TYPE[] = "messagetype";
inline constexpr char MQBOX_KEY_MESSAGE[] = "message";  // wide text
inline constexpr char MQBOX_KEY_TITLE[] = "title";      // wide text
