// What a misbehaving host hands the plug-in with its events: option arrays holding known
// and unknown names, repeated names, null value pointers and values of every kind, decoded
// from a run of bytes. The fuzz targets decode the fuzzer's bytes; pellucid-host validate
// decodes bytes drawn from its seed, so that a seed replays the same arrays.
//
// What no plug-in can survive is left out: a value pointer to fewer bytes than the option
// it stands for (every value points to at least 16 bytes, zero-filled past what was
// decoded) and an output or integer option pointing into the host's own objects. Options
// that the plug-in hands on as pointers ("xml_elem", "filename", ...) may carry a handle of
// the host's: the document, the document's element or the settings elements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "abi/abi.h"

namespace host {

class XmlElement;

// Hands out the bytes front to back; once they run out every read answers 0, so a short
// run is a valid run that decides "the first choice" from then on.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return position_ >= size_; }
    uint8_t Byte() { return empty() ? 0 : data_[position_++]; }
    uint32_t U32();
    // A number in 0 .. count-1; 0 when count is 0.
    size_t Pick(size_t count) { return count == 0 ? 0 : Byte() % count; }
    bool Bit() { return (Byte() & 1) != 0; }
    // Up to `max` raw bytes, the length taken from the input first.
    std::string Bytes(size_t max);

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// The event numbers the plug-in's dispatcher knows and some beside them, for a decoder
// that picks events.
extern const std::vector<int32_t> kKnownAndNearbyEvents;

// One event's argument and the storage behind it, valid while the object lives.
class HostileArguments {
public:
    HostileArguments(MQDocument document, XmlElement* element) : document_(document), element_(element) {}
    HostileArguments(const HostileArguments&) = delete;
    HostileArguments& operator=(const HostileArguments&) = delete;

    // Null, an option array, or for the events whose argument is a pointer to a flag (100
    // and 102) also such a pointer. (Any other event given a bare flag would read it as
    // an array of name pointers, which no receiver can survive.)
    void* Decode(ByteReader& in, int32_t event);
    // An option array of up to eight entries, never null.
    MQOption* DecodeArray(ByteReader& in);

    // Whether the last decoded array handed the plug-in, as "xml_elem", something that is
    // no element of the host's (the document, a string, a number). The plug-in cannot
    // tell, and the host refuses it by name ("xml.unknown-element"): that breach is the
    // host's, not the plug-in's.
    bool GaveForeignElement() const;

private:
    void* Block(const void* bytes, size_t size);
    const char* Name(std::string name);
    void* DecodeValue(ByteReader& in, const std::string& name);

    MQDocument document_;
    XmlElement* element_;
    std::vector<MQOption> options_;
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::vector<std::unique_ptr<std::string>> names_;
};

}  // namespace host
