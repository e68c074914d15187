#include "host/careless/hostile_arguments.h"

#include <cstring>

#include "host/binds/settings.h"
#include "host/binds/xml.h"
#include "platform/options.h"
#include "platform/platform.h"

namespace host {

uint32_t ByteReader::U32() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
    return value;
}

std::string ByteReader::Bytes(size_t max) {
    size_t length = Pick(max + 1);
    std::string bytes;
    for (size_t i = 0; i < length && !empty(); ++i) bytes += static_cast<char>(Byte());
    return bytes;
}

const std::vector<int32_t> kKnownAndNearbyEvents = {
    1,   2,   100, 101, 102, 103, 110, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 140, 141, 200,
    201, 202, 210, 211, 212, 220, 221, 222, 230, 231, 240, 0,   3,   99,  104, 119, 131, 203, 241, -1};

namespace {

constexpr const char* kNames[] = {
    "result",      "save_uid",    "xml_elem",    "filename",    "scene",      "state",    "size",
    "width",       "height",      "src_product", "src_id",      "description", "message", "button_state",
    "mouse_pos_x", "mouse_pos_y", "mouse_wheel", "key",         "root",       "pluginsettings",
    "type",        "target_id",   "sender_id",   "Scene",       "xml_elem "};

// Options whose value the plug-in hands on as a pointer without reading through it as a
// number; only these may carry a handle of the host's.
bool TakesHandle(const std::string& name) {
    return name == "xml_elem" || name == "filename" || name == "scene" || name == "description" ||
           name == "message";
}

}  // namespace

void* HostileArguments::Block(const void* bytes, size_t size) {
    auto block = std::make_unique<unsigned char[]>(size + 16);  // zero-filled
    if (size > 0) std::memcpy(block.get(), bytes, size);
    blocks_.push_back(std::move(block));
    return blocks_.back().get();
}

const char* HostileArguments::Name(std::string name) {
    names_.push_back(std::make_unique<std::string>(std::move(name)));
    return names_.back()->c_str();
}

void* HostileArguments::DecodeValue(ByteReader& in, const std::string& name) {
    switch (in.Pick(9)) {
    case 0:
        return nullptr;
    case 1:
    case 2: {
        int32_t value = static_cast<int32_t>(in.U32());
        return Block(&value, sizeof value);
    }
    case 3: {
        int32_t small = static_cast<int32_t>(in.Pick(5)) - 1;  // -1 .. 3: flags and states
        return Block(&small, sizeof small);
    }
    case 4: {
        double value = static_cast<double>(static_cast<int32_t>(in.U32())) / 7.0;
        return Block(&value, sizeof value);
    }
    case 5: {
        std::string text = in.Bytes(24);
        return Block(text.c_str(), text.size() + 1);
    }
    case 6: {
        platform::WideString text = platform::ToWide(platform::CodePage::Utf8, in.Bytes(12).c_str());
        return Block(text.c_str(), (text.size() + 1) * sizeof(platform::WideChar));
    }
    default:
        if (!TakesHandle(name)) {
            unsigned char flag = in.Byte();
            return Block(&flag, 1);
        }
        switch (in.Pick(4)) {
        case 0: return element_;
        case 1: return &PluginSettings();
        case 2: return &SettingsRoot();
        default: return document_;
        }
    }
}

MQOption* HostileArguments::DecodeArray(ByteReader& in) {
    options_.clear();
    size_t count = in.Pick(9);
    for (size_t i = 0; i < count; ++i) {
        std::string name = in.Pick(5) == 0 ? in.Bytes(10) : kNames[in.Pick(std::size(kNames))];
        const char* stored = Name(name);
        options_.push_back(MQOption{stored, DecodeValue(in, name)});
    }
    options_.push_back(MQOption{nullptr, nullptr});
    return options_.data();
}

void* HostileArguments::Decode(ByteReader& in, int32_t event) {
    options_.clear();
    switch (in.Pick(8)) {
    case 0:
        return nullptr;
    case 1:
        if (event == MQEVENT_ACTIVATE || event == MQEVENT_102) {
            int32_t flag = static_cast<int32_t>(in.Pick(3));  // 0, 1, 2
            return Block(&flag, sizeof flag);
        }
        break;
    default:
        break;
    }
    return DecodeArray(in);
}

bool HostileArguments::GaveForeignElement() const {
    if (options_.empty()) return false;
    void* given = platform::FindOptionValue(options_.data(), MQEVENT_KEY_XML_ELEMENT);
    return given != nullptr && given != element_ && given != &PluginSettings() && given != &SettingsRoot();
}

}  // namespace host
