// The property keys of MQWIDGET_GET_VALUE and MQWIDGET_SET_VALUE, with the type that the
// value pointer points at.
#pragma once

inline constexpr char MQKEY_VISIBLE[] = "visible";          // 8-bit flag
inline constexpr char MQKEY_INSPACE[] = "inspace";          // double, pixels between children
inline constexpr char MQKEY_OUTSPACE[] = "outspace";        // double, pixels around the widget
inline constexpr char MQKEY_ALIGNMENT[] = "alignment";      // keyword: MQKEY_HORZ or MQKEY_VERT
inline constexpr char MQKEY_MATRIXCOLUMN[] = "matrixcolumn";// int32 columns of a frame's grid
inline constexpr char MQKEY_TEXT[] = "text";                // wide text of a button
inline constexpr char MQKEY_DOWN[] = "down";                // 8-bit flag: a button shown pressed
inline constexpr char MQKEY_TITLE[] = "title";              // wide text of a window
inline constexpr char MQKEY_CLOSEBUTTON[] = "closebutton";  // 8-bit flag
inline constexpr char MQKEY_CANRESIZE[] = "canresize";      // 8-bit flag
inline constexpr char MQKEY_POS_X[] = "pos_x";              // int32
inline constexpr char MQKEY_POS_Y[] = "pos_y";              // int32
inline constexpr char MQKEY_WIDTH[] = "width";              // int32
inline constexpr char MQKEY_HEIGHT[] = "height";            // int32
inline constexpr char MQKEY_JUSTSIZE[] = "justsize";        // int32[4], read only

// The values of MQKEY_ALIGNMENT.
inline constexpr char MQKEY_HORZ[] = "horz";
inline constexpr char MQKEY_VERT[] = "vert";
