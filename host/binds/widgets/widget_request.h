// What the parts of the widget model share and nobody else needs: one request as the
// plug-in made it, the properties the keys name, and how widgets are named in prose.
// Included only by the widget model's files beside it and by widget_pictures.cpp and
// gestures.cpp in host/drive/.
#pragma once

#include <cstdint>
#include <string>

#include "host/binds/widgets/widgets.h"
#include "host/records/journal.h"
#include "platform/options.h"
#include "abi/abi.h"

namespace host {

// ---- What the keys hold -----------------------------------------------------------------

enum class ValueKind { Int, Bool, Double, Keyword, Wide, Pointer, Size };

enum WidgetTypeBits : unsigned { kWindowBit = 1, kFrameBit = 2, kButtonBit = 4, kAnyTypeBit = 7 };

struct Property {
    const char* key;
    ValueKind kind;
    bool readable;
    bool writable;
    unsigned types;  // WidgetTypeBits of the widgets that have it
};

// The property `key` names; null when no widget has one of that name.
const Property* FindProperty(const char* key);
// The bit of a widget type among WidgetTypeBits.
unsigned TypeBit(const std::string& type);

// "MessageBox", "SetValue", ...; "unknown" for a code the host does not have.
const char* OpName(int32_t op);
// "SetValue 0x302": how the journal and the register show an operation.
std::string OpText(int32_t op);
// The options of a request as the journal shows them: "{type: "button", id: out=0}".
std::string OptionsText(int32_t op, const MQOption* options);

// "a button", "a frame", "a window".
inline std::string Article(const std::string& type) { return "a " + type; }

inline std::string Utf8(const platform::WideChar* text) { return platform::FromWide(platform::CodePage::Utf8, text); }

// Adds what every widget event carries: its name, and the widget as target and sender.
inline OptionList& AddEventOptions(OptionList& options, const char* type, int32_t id) {
    return options.Text(MQEVT_KEY_TYPE, type).Int(MQEVT_KEY_TARGET_ID, id).Int(MQEVT_KEY_SENDER_ID, id);
}

// ---- One request ------------------------------------------------------------------------

struct WidgetModel::Request {
    int32_t widget;
    int32_t op;
    MQOption* options;

    // "MQWidget_Value(7, SetValue 0x302)"
    std::string Call() const { return "MQWidget_Value(" + std::to_string(widget) + ", " + OpText(op) + ")"; }

    size_t Count() const {
        size_t count = 0;
        if (options != nullptr) {
            for (const MQOption* entry = options; entry->name != nullptr; ++entry) ++count;
        }
        return count;
    }
    // The value of the first entry named `name`; null when missing or null.
    void* Value(const char* name) const { return platform::FindOptionValue(options, name); }
    int32_t* Int(const char* name) const { return static_cast<int32_t*>(Value(name)); }
    const char* Keyword(const char* name) const { return static_cast<const char*>(Value(name)); }
    const platform::WideChar* Wide(const char* name) const {
        return static_cast<const platform::WideChar*>(Value(name));
    }
};

}  // namespace host
