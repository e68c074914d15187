// MQXmlElem_Value(element, op, record): the operation codes. Each takes a record of
// pointer-sized fields in the order given; out-fields are preset to null and a null after
// the call means "none". Every string crossing here is UTF-8.
#pragma once

#include <cstdint>

enum : int32_t {
    MQXML_ADD_CHILD = 0x101,     // {name, out element}
    MQXML_REMOVE_CHILD = 0x102,  // {child, pointer to int32 result preset 0}
    MQXML_FIRST_CHILD = 0x201,   // {name or null, out element}
    MQXML_NEXT_CHILD = 0x202,    // {name or null, current child, out element}; on the parent
    MQXML_GET_TEXT = 0x302,      // {out text}
    MQXML_GET_ATTRIBUTE = 0x303, // {name, out value}
    MQXML_SET_TEXT = 0x402,      // {text}
    MQXML_SET_ATTRIBUTE = 0x403  // {name, value}
};
