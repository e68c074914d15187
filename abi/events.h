// The numbered host events of MQOnEvent(document, event, argument), and the names of
// the options they carry. The argument is an option array unless the event says
// otherwise; an event a plug-in does not know answers 0.
#pragma once

#include <cstdint>

// Events whose meaning this plug-in knows carry it in their names; the others are named
// by number, after the plug-in operation each reaches (OnEvent102 and so on).
enum : int32_t {
    MQEVENT_INITIALIZE = 1,       // start; answers the plug-in's success
    MQEVENT_EXIT = 2,             // shut-down; answers 1
    MQEVENT_ACTIVATE = 100,       // argument: pointer to the 32-bit flag; answers the new state
    MQEVENT_IS_ACTIVATED = 101,   // answers whether the plug-in is active
    MQEVENT_102 = 102,            // argument: pointer to a 32-bit flag; answers 1
    MQEVENT_MESSAGE = 103,        // a message from another plug-in; writes "result"
    MQEVENT_110 = 110,            // "scene", "width", "height"; answers 1
    MQEVENT_MOUSE_FIRST = 120,    // 120 to 130: mouse events of command plug-ins, with
    MQEVENT_MOUSE_LAST = 130,     //   "scene", "button_state" and the mouse position
    MQEVENT_KEY_140 = 140,        // key events of command plug-ins: "scene", "key",
    MQEVENT_KEY_141 = 141,        //   "button_state"
    MQEVENT_LOAD_DOCUMENT = 200,  // "xml_elem", "filename"; answers 1
    MQEVENT_201 = 201,            // answers 1
    MQEVENT_SAVE_DOCUMENT = 202,  // "xml_elem", "filename", out "save_uid"; answers 1
    MQEVENT_210 = 210,            // "state"; answers the plug-in's answer
    MQEVENT_211 = 211,            // "state"; answers the plug-in's answer
    MQEVENT_212 = 212,            // "state", "size"; answers 1
    MQEVENT_220 = 220,            // 220 to 240 answer 1
    MQEVENT_221 = 221,
    MQEVENT_222 = 222,
    MQEVENT_230 = 230,
    MQEVENT_231 = 231,
    MQEVENT_240 = 240             // "scene"
};

// Option names of the events.
inline constexpr char MQEVENT_KEY_SCENE[] = "scene";
inline constexpr char MQEVENT_KEY_WIDTH[] = "width";
inline constexpr char MQEVENT_KEY_HEIGHT[] = "height";
inline constexpr char MQEVENT_KEY_KEY[] = "key";
inline constexpr char MQEVENT_KEY_XML_ELEMENT[] = "xml_elem";
inline constexpr char MQEVENT_KEY_FILENAME[] = "filename";
inline constexpr char MQEVENT_KEY_SAVE_UID[] = "save_uid";
inline constexpr char MQEVENT_KEY_STATE[] = "state";
inline constexpr char MQEVENT_KEY_SIZE[] = "size";
inline constexpr char MQEVENT_KEY_SRC_PRODUCT[] = "src_product";
inline constexpr char MQEVENT_KEY_SRC_ID[] = "src_id";
inline constexpr char MQEVENT_KEY_DESCRIPTION[] = "description";
inline constexpr char MQEVENT_KEY_MESSAGE[] = "message";
inline constexpr char MQEVENT_KEY_RESULT[] = "result";
