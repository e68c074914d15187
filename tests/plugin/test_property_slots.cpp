// Slots survive the document file: 10,000 random slot lists, each stored from documents
// whose objects carry the names, saved into the plug-in's element, written and read back
// in the file form, and loaded. Nothing may be lost and nothing invented.
//
// Names are random characters that the narrow encoding can hold: any Unicode scalar value
// (non-ASCII, control characters and blanks included) where it is UTF-8, and the bytes
// that code page 1252 maps where it is an ANSI code page (Windows). The empty name is
// among them. Every run prints its seed; PELLUCID_PROPERTY_SEED=<seed> replays it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/binds/documents.h"
#include "host/binds/host.h"
#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/drive/plugin_module.h"
#include "host/files/xml_file.h"
#include "host/records/journal.h"
#include "platform/platform.h"
#include "plugin/host_api.h"
#include "slots/pellucid.h"
#include "widgets/widget_base.h"

extern "C" int32_t MQOnEvent(void* document, int32_t event, void* argument);

namespace {

constexpr int kLists = 10000;

// SplitMix64: the same numbers from the same seed on every platform and library.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // 0 .. count-1
    uint32_t Below(uint32_t count) { return static_cast<uint32_t>(Next() % count); }
    bool OneIn(uint32_t count) { return Below(count) == 0; }

private:
    uint64_t state_;
};

uint64_t ChooseSeed() {
    if (const char* text = std::getenv("PELLUCID_PROPERTY_SEED"); text != nullptr && *text != '\0') {
        return std::strtoull(text, nullptr, 0);
    }
    return static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

std::string Utf8Of(uint32_t code) {
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

// What a name may be made of in this build's narrow encoding.
class NameAlphabet {
public:
    NameAlphabet() {
        // U+00E9 through the narrow encoding: two bytes where it is UTF-8.
        utf8_ = platform::FromWide(platform::CodePage::Ansi, platform::ToWide(platform::CodePage::Utf8, "\xC3\xA9").c_str()) ==
                "\xC3\xA9";
        if (utf8_) return;
        for (int byte = 1; byte < 256; ++byte) {
            std::string one(1, static_cast<char>(byte));
            platform::WideString wide = platform::ToWide(platform::CodePage::Ansi, one.c_str());
            if (wide.size() == 1 && platform::FromWide(platform::CodePage::Ansi, wide.c_str()) == one) {
                bytes_.push_back(static_cast<char>(byte));
            }
        }
    }

    bool utf8() const { return utf8_; }
    const std::string& bytes() const { return bytes_; }

    std::string Name(Random& random) const {
        if (random.OneIn(10)) return "";
        std::string name;
        uint32_t length = 1 + random.Below(12);
        for (uint32_t i = 0; i < length; ++i) name += utf8_ ? Character(random) : std::string(1, bytes_[random.Below(static_cast<uint32_t>(bytes_.size()))]);
        return name;
    }

private:
    static std::string Character(Random& random) {
        switch (random.Below(5)) {
        case 0: return Utf8Of(1 + random.Below(0x7F));          // ASCII, control characters included
        case 1: return Utf8Of(0x20 + random.Below(0x5F));       // printable ASCII, blanks included
        case 2: return Utf8Of(0x80 + random.Below(0x780));      // two bytes
        case 3: {
            uint32_t code = 0x800 + random.Below(0x10000 - 0x800);
            return Utf8Of(code >= 0xD800 && code <= 0xDFFF ? code - 0x800 : code);  // three bytes, no surrogates
        }
        default: return Utf8Of(0x10000 + random.Below(0x100000));  // four bytes
        }
    }

    bool utf8_ = false;
    std::string bytes_;
};

std::string Visible(const std::string& name) {
    std::string text = "\"";
    for (unsigned char c : name) {
        char hex[8];
        std::snprintf(hex, sizeof hex, c < 0x20 || c >= 0x7F ? "\\x%02X" : "%c", c);
        text += hex;
    }
    return text + "\"";
}

std::vector<Slot> Trimmed(std::vector<Slot> slots) {
    while (!slots.empty() && slots.back().empty()) slots.pop_back();
    return slots;
}

std::string Describe(const std::vector<Slot>& slots) {
    std::string text;
    for (size_t i = 0; i < slots.size(); ++i) {
        std::map<std::string, bool> sorted(slots[i].begin(), slots[i].end());
        text += "  slot " + std::to_string(i) + ":";
        for (const auto& [name, visible] : sorted) text += " " + Visible(name) + (visible ? "=shown" : "=hidden");
        text += "\n";
    }
    return text;
}

class SlotPropertyTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetHost();
        host::TheJournal().SetRecording(false);
        ASSERT_EQ(BindHostApi(host::HostModuleFile().c_str()), 1);
    }
    void TearDown() override {
        MQOnEvent(nullptr, MQEVENT_LOAD_DOCUMENT, nullptr);  // drops every slot
        EXPECT_EQ(MQWidgetBase::RegisteredWidgetCount(), 0u);
    }

    static Pellucid& plugin() { return *static_cast<Pellucid*>(GetPluginClass()); }

    // Stores each slot from a document of its own: its entries as objects in random
    // order, among empty places and objects the document does not count, which a store
    // must pass by.
    static void StoreAll(const std::vector<Slot>& slots, Random& random, const NameAlphabet& alphabet) {
        plugin().rowCount = static_cast<Row>(std::max<size_t>(5, slots.size()));
        for (size_t i = 0; i < slots.size(); ++i) {
            host::Document& document = host::OpenDocument();
            std::vector<std::pair<std::string, bool>> entries(slots[i].begin(), slots[i].end());
            for (size_t j = entries.size(); j > 1; --j) std::swap(entries[j - 1], entries[random.Below(static_cast<uint32_t>(j))]);
            for (const auto& [name, visible] : entries) {
                if (random.OneIn(4)) document.AddEmptyPlace();
                if (random.OneIn(4)) document.AddObject(alphabet.Name(random) + "~", random.OneIn(2)).SetCounted(false);
                document.AddObject(name, visible);
            }
            plugin().StoreSlot(document.handle(), static_cast<int32_t>(i), false);
            host::CloseDocument(document);
        }
    }

    // Saves into a new plug-in element, writes it as the document file holds it, reads it
    // back and loads it.
    static void SaveAndLoad() {
        host::XmlElement element("plugin");
        host::OptionList save;
        save.Pointer("xml_elem", &element).Text("filename", "property.scene").Int("save_uid", 0);
        ASSERT_EQ(MQOnEvent(nullptr, MQEVENT_SAVE_DOCUMENT, save.Array()), 1);
        std::string error;
        std::unique_ptr<host::XmlElement> read = host::ParseXml(host::WriteXml(element), &error);
        ASSERT_TRUE(read) << error;
        host::OptionList load;
        load.Pointer("xml_elem", read.get()).Text("filename", "property.scene");
        ASSERT_EQ(MQOnEvent(nullptr, MQEVENT_LOAD_DOCUMENT, load.Array()), 1);
    }
};

TEST_F(SlotPropertyTest, RandomSlotListsComeBackFromTheDocumentFileAsStored) {
    NameAlphabet alphabet;
    if (!alphabet.utf8()) {
        // The code page must be 1252 for the names the users of this build write.
        ASSERT_EQ(platform::ToWide(platform::CodePage::Ansi, "\x80"), platform::WideString(1, 0x20AC))
            << "the ANSI code page is not 1252";
        ASSERT_GE(alphabet.bytes().size(), 250u) << "1252 maps at least 250 of the non-zero bytes";
    }
    const uint64_t seed = ChooseSeed();
    std::printf("[ seed     ] PELLUCID_PROPERTY_SEED=%llu (names in %s)\n", static_cast<unsigned long long>(seed),
                alphabet.utf8() ? "UTF-8" : "code page 1252");
    Random random(seed);

    size_t entries = 0, empty_names = 0, non_ascii = 0;
    for (int list = 0; list < kLists; ++list) {
        std::vector<Slot> slots(random.Below(8));
        for (Slot& slot : slots) {
            if (random.OneIn(5)) continue;  // an empty slot, kept unless it ends the list
            uint32_t count = random.Below(9);
            for (uint32_t i = 0; i < count; ++i) slot.Insert(alphabet.Name(random), random.OneIn(2));
            for (const auto& [name, visible] : slot) {
                empty_names += name.empty() ? 1 : 0;
                for (unsigned char c : name) {
                    if (c >= 0x80) {
                        ++non_ascii;
                        break;
                    }
                }
            }
            entries += slot.size();
        }

        MQOnEvent(nullptr, MQEVENT_LOAD_DOCUMENT, nullptr);
        StoreAll(slots, random, alphabet);
        // A store lengthens the list to the row count with empty slots.
        std::vector<Slot> expected = slots;
        while (!expected.empty() && expected.back().empty()) expected.pop_back();
        ASSERT_EQ(Trimmed(plugin().slots), expected)
            << "list " << list << " of seed " << seed << ": stored\n" << Describe(plugin().slots) << "meant\n" << Describe(slots);

        SaveAndLoad();
        if (HasFatalFailure()) return;
        ASSERT_EQ(plugin().slots, expected)
            << "list " << list << " of seed " << seed << ": loaded\n" << Describe(plugin().slots) << "stored\n" << Describe(expected);
        ASSERT_EQ(static_cast<size_t>(plugin().rowCount), std::max<size_t>(5, expected.size()));
    }
    std::printf("[ covered  ] %zu entries, %zu with the empty name, %zu with non-ASCII characters\n", entries,
                empty_names, non_ascii);
    EXPECT_GT(empty_names, 0u);
    EXPECT_GT(non_ascii, entries / 2);
}

}  // namespace
