// One host object as the slot operations see it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "abi/objects.h"
#include "abi/records.h"

namespace cmq {

// Wraps the object at one place of a document. It owns nothing in the host: the handles
// are the host's, and destroying the wrapper only forgets them. Made on the stack for each
// object visited and never kept.
class CMQObject {
public:
    // The size handed to MQObj_GetName: names are what the host writes into 250 bytes,
    // the terminating zero included.
    static constexpr int32_t kNameSize = 250;

    // Room for a name read without allocating; larger than kNameSize, as the host expects.
    // Starts zeroed, so that whatever the host writes into it, every byte read is defined;
    // one buffer serves all the objects of a visit.
    struct NameBuffer {
        char bytes[256] = {};
    };

    // Asks the host for the object at `index` of `document`. No check is made: `object`
    // is null for an empty place or a bad index, and the caller tests it.
    CMQObject(MQDocument document, int32_t index);
    virtual ~CMQObject();
    CMQObject(const CMQObject&) = delete;
    CMQObject& operator=(const CMQObject&) = delete;

    // The object's name: the bytes the host writes, up to the first zero byte.
    std::string GetName() const;
    // The same without allocating: a view into `buffer`, valid while it is.
    std::string_view GetName(NameBuffer& buffer) const;

    MQObject object;
    MQDocument document;
};

}  // namespace cmq
