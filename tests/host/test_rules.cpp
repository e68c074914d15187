// The host's rule table and the register of breaches, and how text from elsewhere is
// shown.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "host/records/breaches.h"
#include "host/records/rules.h"
#include "host/records/value_text.h"

namespace {

TEST(HostRules, EveryIdIsUniqueDottedAndFoundByItself) {
    std::set<std::string> ids;
    for (const host::RuleInfo& rule : host::AllRules()) {
        std::string id = rule.id;
        EXPECT_TRUE(ids.insert(id).second) << id << " is listed twice";
        // "area.what", never validate's "group/what".
        EXPECT_NE(id.find('.'), std::string::npos) << id;
        EXPECT_EQ(id.find('/'), std::string::npos) << id;
        EXPECT_GT(std::string(rule.forbids).size(), 10u) << id << " says nothing of what it forbids";
        ASSERT_NE(host::FindRule(id), nullptr) << id;
        EXPECT_EQ(host::FindRule(id)->rule, rule.rule);
        EXPECT_STREQ(host::IdOf(rule.rule), rule.id);
    }
    EXPECT_EQ(host::FindRule("widget.no-such-rule"), nullptr);
    EXPECT_EQ(host::FindRule("widgets/outlived-exit"), nullptr);
}

TEST(HostRules, TheIdsThatProgramsMatchStayAsTheyWere) {
    // Tests, scripts and users' CI match these by text.
    EXPECT_STREQ(host::IdOf(host::Rule::kWidgetUnknownId), "widget.unknown-id");
    EXPECT_STREQ(host::IdOf(host::Rule::kWidgetDeletedWithParent), "widget.deleted-with-parent");
    EXPECT_STREQ(host::IdOf(host::Rule::kDocumentClosed), "document.closed");
    EXPECT_STREQ(host::IdOf(host::Rule::kXmlUnknownElement), "xml.unknown-element");
    EXPECT_TRUE(host::InfoOf(host::Rule::kWidgetBoolNot0Or1).forgiven);
    EXPECT_FALSE(host::InfoOf(host::Rule::kWidgetUnknownId).forgiven);
}

TEST(HostBreaches, DropTakesOutOneRuleAndKeepsTheOthersInOrder) {
    host::Breaches breaches;
    breaches.EchoTo(nullptr);
    breaches.Report(host::Rule::kWidgetUnknownId, "MQWidget_Value(7, Delete 0x102)", "widget 7 does not exist");
    breaches.Report(host::Rule::kXmlUnknownElement, "MQXmlElem_Value(0x1, 0x101)", "not an element of the host");
    breaches.Report(host::Rule::kDocumentClosed, "MQDoc_GetObjectCount(0x2)", "document 0x2 was closed");
    breaches.Drop(host::Rule::kXmlUnknownElement);
    EXPECT_EQ(breaches.TakeIdsAndCalls(),
              "widget.unknown-id MQWidget_Value(7, Delete 0x102)\n"
              "document.closed MQDoc_GetObjectCount(0x2)\n");
}

TEST(VisibleText, ControlCharactersAreShownAndTextIsKept) {
    EXPECT_EQ(host::VisibleText("plain \"quoted\" \\ text"), "plain \"quoted\" \\ text");
    EXPECT_EQ(host::VisibleText("\x1b[2Jbell\a\ttab\x7f"), "\\x1B[2Jbell\\x07\\x09tab\\x7F");
    EXPECT_EQ(host::VisibleText("Caf\xC3\xA9"), "Caf\xC3\xA9");
    // A byte of another code page is no part of a UTF-8 character: it is shown, not sent.
    EXPECT_EQ(host::VisibleText("Caf\xE9"), "Caf\\xE9");
}

TEST(VisibleText, OnlyWellFormedUtf8Passes) {
    EXPECT_EQ(host::VisibleText("\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"), "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(host::VisibleText("\xC0\xAF"), "\\xC0\\xAF");          // an overlong '/'
    EXPECT_EQ(host::VisibleText("\xED\xA0\x80"), "\\xED\\xA0\\x80");  // a surrogate
    EXPECT_EQ(host::VisibleText("\xF4\x90\x80\x80"), "\\xF4\\x90\\x80\\x80");  // past U+10FFFF
    EXPECT_EQ(host::VisibleText("\xE2\x82"), "\\xE2\\x82");            // cut short at the end
    EXPECT_EQ(host::VisibleText("\xE2\x82x"), "\\xE2\\x82x");
}

}  // namespace
