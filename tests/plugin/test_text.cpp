// The text conversions between the plug-in's narrow (ANSI) text, UTF-16 and the UTF-8 of
// the host's XML interface. On Windows the narrow text is in the ANSI code page, which is
// 1252 where these tests run; elsewhere it is UTF-8.
#include <gtest/gtest.h>

#include "support/bound_host.h"

#include <string>

#include "host/binds/host.h"
#include "host/binds/xml.h"
#include "host/drive/plugin_module.h"
#include "plugin/host_api.h"
#include "plugin/xml_access.h"

namespace {

using platform::WideString;

#if defined(_WIN32)
const std::string kCafeNarrow = "caf\xE9";
const std::string kEuroNarrow = "\x80";
#else
const std::string kCafeNarrow = "caf\xC3\xA9";
const std::string kEuroNarrow = "\xE2\x82\xAC";
#endif
const std::string kCafeUtf8 = "caf\xC3\xA9";

WideString Units(std::initializer_list<char16_t> units) {
    WideString text;
    for (char16_t unit : units) text += static_cast<platform::WideChar>(unit);
    return text;
}

TEST(TextConversion, NarrowTextOutsideAsciiGoesToUtf8AndBackUnchanged) {
    EXPECT_EQ(AnsiToUtf8(kCafeNarrow), kCafeUtf8);
    EXPECT_EQ(Utf8ToAnsi(kCafeUtf8), kCafeNarrow);
    EXPECT_EQ(AnsiToUtf8(kEuroNarrow), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC"), kEuroNarrow);
    EXPECT_EQ(Utf8ToWide(kCafeUtf8), Units({u'c', u'a', u'f', 0x00E9}));
    EXPECT_EQ(AnsiToUtf8(""), "");
    EXPECT_EQ(Utf8ToWide(""), WideString());
}

TEST(TextConversion, IllFormedUtf8BecomesReplacementCharacters) {
    // A byte that begins no sequence, and a sequence cut short by an ASCII letter.
    EXPECT_EQ(Utf8ToWide("a\xFF" "b"), Units({u'a', 0xFFFD, u'b'}));
    EXPECT_EQ(Utf8ToWide("\xC3" "b"), Units({0xFFFD, u'b'}));
    EXPECT_EQ(Utf8ToWide("end\xC3"), Units({u'e', u'n', u'd', 0xFFFD}));
    EXPECT_EQ(WideToUtf8(Units({u'x', 0xD800, u'y'})), "x\xEF\xBF\xBDy");  // a lone surrogate
    EXPECT_EQ(WideToUtf8(Units({0xDC00})), "\xEF\xBF\xBD");
}

TEST(TextConversion, CharactersBeyondTheBmpTravelAsSurrogatePairs) {
    const std::string grin = "\xF0\x9F\x98\x80";  // U+1F600
    const WideString pair = Units({0xD83D, 0xDE00});
    EXPECT_EQ(Utf8ToWide(grin), pair);
    EXPECT_EQ(WideToUtf8(pair), grin);
    EXPECT_EQ(WideToUtf8(Utf8ToWide("a" + grin + "b\xF4\x8F\xBF\xBF")), "a" + grin + "b\xF4\x8F\xBF\xBF");
}

class TextThroughHostTest : public BoundHostTest {
protected:
    host::XmlElement tree{"root"};
};

TEST_F(TextThroughHostTest, NarrowNamesAndValuesReachTheHostAsUtf8) {
    MQXmlElement element = AddChildElement(&tree, kCafeNarrow.c_str());
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(static_cast<host::XmlElement*>(element)->Name(), kCafeUtf8);
    EXPECT_EQ(FindChildElement(&tree, kCafeNarrow.c_str()), element);

    SetAttributeAnsi(element, "visible", kCafeNarrow.c_str());
    EXPECT_EQ(*static_cast<host::XmlElement*>(element)->FindAttribute("visible"), kCafeUtf8);
    std::string value;
    EXPECT_TRUE(GetAttributeAnsi(element, "visible", value));
    EXPECT_EQ(value, kCafeNarrow);
}

TEST_F(TextThroughHostTest, WideTextIsStoredAsUtf8AndReadAsAnsiOrWide) {
    MQXmlElement element = AddChildElement(&tree, "name");
    const WideString text = Units({u'c', u'a', u'f', 0x00E9, u' ', 0x20AC, u' ', 0xD83D, 0xDE00});
    SetTextWide(element, text);
    EXPECT_EQ(static_cast<host::XmlElement*>(element)->Text(), kCafeUtf8 + " \xE2\x82\xAC \xF0\x9F\x98\x80");
    WideString back;
    EXPECT_TRUE(GetTextWide(element, back));
    EXPECT_EQ(back, text);
    // The ANSI reading keeps what the code page holds; the emoji is beyond 1252.
    std::string narrow = GetTextAnsi(element);
    EXPECT_EQ(narrow.substr(0, kCafeNarrow.size() + 1 + kEuroNarrow.size()), kCafeNarrow + " " + kEuroNarrow);
}

}  // namespace
