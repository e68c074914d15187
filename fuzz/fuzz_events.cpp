// The first door: host events through MQOnEvent, with option arrays a misbehaving host
// might send. The plug-in is started, then takes a run of events decoded from the input,
// every number the dispatcher knows and some it does not, with arrays holding known and
// unknown names, repeated names, null value pointers and values of every kind; finally it
// is stopped. Nothing may crash, the host may see no broken rule, and the plug-in's
// widgets must be whole while it runs and gone after it stopped.
//
// What no plug-in can survive is left out: a value pointer to fewer bytes than the option
// it stands for (every value here points to at least 16 bytes) and an output or integer
// option pointing into the host's own objects.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "host/breaches.h"
#include "platform/options.h"
#include "host/documents.h"
#include "host/settings.h"
#include "host/xml.h"
#include "platform/platform.h"
#include "slots/pellucid.h"

namespace {

constexpr int32_t kEvents[] = {1,   2,   100, 101, 102, 103, 110, 120, 121, 122, 123, 124, 125, 126,
                               127, 128, 129, 130, 140, 141, 200, 201, 202, 210, 211, 212, 220, 221,
                               222, 230, 231, 240, 0,   3,   99,  104, 119, 131, 203, 241, -1};

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

// Storage for one event's names and values; every value block is at least 16 bytes and
// zero-filled past what the input wrote.
class EventArguments {
public:
    void* Block(const void* bytes, size_t size) {
        auto block = std::make_unique<unsigned char[]>(size + 16);
        std::memset(block.get(), 0, size + 16);
        if (size > 0) std::memcpy(block.get(), bytes, size);
        blocks_.push_back(std::move(block));
        return blocks_.back().get();
    }
    const char* Name(std::string name) {
        names_.push_back(std::make_unique<std::string>(std::move(name)));
        return names_.back()->c_str();
    }
    std::vector<MQOption> options;

private:
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::vector<std::unique_ptr<std::string>> names_;
};

struct Handles {
    host::Document* document;
    host::XmlElement* element;
};

void* DecodeValue(fuzz::ByteReader& in, EventArguments& args, const std::string& name, const Handles& handles) {
    switch (in.Pick(9)) {
    case 0:
        return nullptr;
    case 1:
    case 2: {
        int32_t value = static_cast<int32_t>(in.U32());
        return args.Block(&value, sizeof value);
    }
    case 3: {
        int32_t small = static_cast<int32_t>(in.Pick(5)) - 1;  // -1 .. 3: flags and states
        return args.Block(&small, sizeof small);
    }
    case 4: {
        double value = static_cast<double>(static_cast<int32_t>(in.U32())) / 7.0;
        return args.Block(&value, sizeof value);
    }
    case 5: {
        std::string text = in.Bytes(24);
        return args.Block(text.c_str(), text.size() + 1);
    }
    case 6: {
        platform::WideString text = platform::ToWide(platform::CodePage::Utf8, in.Bytes(12).c_str());
        return args.Block(text.c_str(), (text.size() + 1) * sizeof(platform::WideChar));
    }
    default:
        if (!TakesHandle(name)) {
            unsigned char flag = in.Byte();
            return args.Block(&flag, 1);
        }
        switch (in.Pick(4)) {
        case 0: return handles.element;
        case 1: return &host::PluginSettings();
        case 2: return &host::SettingsRoot();
        default: return handles.document;
        }
    }
}

// Null or an option array; for the events whose argument is a pointer to a flag (100 and
// 102), also such a pointer. (Any other event given a bare flag would read it as an
// array of name pointers, which no receiver can survive.)
void* DecodeArgument(fuzz::ByteReader& in, int32_t event, EventArguments& args, const Handles& handles) {
    switch (in.Pick(8)) {
    case 0:
        return nullptr;
    case 1:
        if (event == MQEVENT_ACTIVATE || event == 102) {
            int32_t flag = static_cast<int32_t>(in.Pick(3));  // 0, 1, 2
            return args.Block(&flag, sizeof flag);
        }
        break;
    default:
        break;
    }
    size_t count = in.Pick(9);
    for (size_t i = 0; i < count; ++i) {
        std::string name = in.Pick(5) == 0 ? in.Bytes(10) : kNames[in.Pick(std::size(kNames))];
        const char* stored = args.Name(name);
        args.options.push_back(MQOption{stored, DecodeValue(in, args, name, handles)});
    }
    args.options.push_back(MQOption{nullptr, nullptr});
    return args.options.data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    fuzz::ResetAll(in.Bit());

    host::Document& document = host::OpenDocument();
    for (const char* name : {"Body", "Rig", "", "Caf\xC3\xA9", "Body"}) document.AddObject(name, in.Bit());
    // The plug-in's element of the document, holding one slot, as a host would pass it.
    host::XmlElement element("plugin");
    host::XmlElement& list = element.AppendChild("Store").AppendChild("list");
    list.AppendChild("name").SetText("Body");
    Handles handles{&document, &element};

    fuzz::SendEvent(document.handle(), MQEVENT_INITIALIZE, nullptr);
    fuzz::CheckInvariants(true);
    for (int step = 0; step < 48 && !in.empty(); ++step) {
        size_t choice = in.Pick(std::size(kEvents) + 1);
        int32_t event = choice < std::size(kEvents) ? kEvents[choice] : static_cast<int32_t>(in.U32());
        MQDocument target = in.Pick(4) == 0 ? nullptr : document.handle();
        EventArguments args;
        void* argument = DecodeArgument(in, event, args, handles);
        fuzz::SendEvent(target, event, argument);
        // The input may hand the plug-in a document, a string or a number as "xml_elem";
        // the plug-in cannot tell, and the host refuses the element by name. That breach
        // is the input's; every other one is the plug-in's.
        bool bogus_element = false;
        if (argument == args.options.data()) {
            void* given = platform::FindOptionValue(args.options.data(), "xml_elem");
            bogus_element = given != nullptr && given != &element && given != &host::PluginSettings() &&
                            given != &host::SettingsRoot();
        }
        for (const host::Breach& breach : host::TheBreaches().Take()) {
            FUZZ_CHECK(bogus_element && breach.rule_id == "xml.unknown-element", breach.Text());
        }
        fuzz::CheckInvariants(event == MQEVENT_LOAD_DOCUMENT || event == MQEVENT_INITIALIZE);
    }
    fuzz::SendEvent(document.handle(), MQEVENT_EXIT, nullptr);
    fuzz::CheckInvariants(false);
    return 0;
}
