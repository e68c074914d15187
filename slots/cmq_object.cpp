#include "slots/cmq_object.h"

#include <cstring>

#include "plugin/host_api.h"

namespace cmq {

CMQObject::CMQObject(MQDocument document, int32_t index)
    : object(g_host.MQDoc_GetObject(document, index)), document(document) {}

CMQObject::~CMQObject() {
    object = nullptr;
    document = nullptr;
}

std::string CMQObject::GetName() const {
    NameBuffer buffer;
    return std::string(GetName(buffer));
}

// The first byte is preset, so that a host that writes nothing gives the empty name. The
// name is taken only from the bytes the host was allowed to write: a host that leaves out
// the terminating zero cannot make us read past them.
std::string_view CMQObject::GetName(NameBuffer& buffer) const {
    buffer.bytes[0] = '\0';
    g_host.MQObj_GetName(object, buffer.bytes, kNameSize);
    const void* end = std::memchr(buffer.bytes, '\0', kNameSize);
    size_t length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - buffer.bytes)
                                   : static_cast<size_t>(kNameSize);
    return std::string_view(buffer.bytes, length);
}

}  // namespace cmq
