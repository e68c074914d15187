// The plug-in's XML element functions against the stand-in host's element trees:
// traversal, removal, refusals and the journal.
#include <gtest/gtest.h>

#include "support/bound_host.h"

#include <string>
#include <vector>

#include "host/binds/host.h"
#include "host/binds/xml.h"
#include "host/drive/plugin_module.h"
#include "host/records/journal.h"
#include "plugin/host_api.h"
#include "plugin/xml_access.h"

namespace {

class XmlAccessTest : public BoundHostTest {
protected:
    std::vector<std::string> ChildNames(const host::XmlElement& element) {
        std::vector<std::string> names;
        for (auto* child = element.FirstChild(); child != nullptr; child = child->NextSibling()) {
            names.push_back(child->Name());
        }
        return names;
    }

    // 0x202 without a name filter, as the document storage walks its slots.
    MQXmlElement NextChild(MQXmlElement parent, MQXmlElement current, const char* name = nullptr) {
        void* record[3] = {const_cast<char*>(name), current, nullptr};
        g_host.MQXmlElem_Value(parent, MQXML_NEXT_CHILD, record);
        return record[2];
    }

    host::XmlElement tree{"root"};
};

TEST_F(XmlAccessTest, ChildrenAreAddedAtTheEndAndFoundAndWalkedInOrder) {
    MQXmlElement a1 = AddChildElement(&tree, "a");
    MQXmlElement b = AddChildElement(&tree, "b");
    MQXmlElement a2 = AddChildElement(&tree, "a");
    EXPECT_EQ(ChildNames(tree), (std::vector<std::string>{"a", "b", "a"}));
    EXPECT_EQ(FindChildElement(&tree, "a"), a1);
    EXPECT_EQ(FindChildElement(&tree, "b"), b);
    EXPECT_EQ(FindChildElement(&tree, "c"), nullptr);
    EXPECT_EQ(FindChildElement(&tree, nullptr), a1);  // any name
    EXPECT_EQ(NextChild(&tree, a1), b);
    EXPECT_EQ(NextChild(&tree, a2), nullptr);
    EXPECT_EQ(NextChild(&tree, a1, "a"), a2);
    // The current child must be a child of the element the call is made on.
    EXPECT_EQ(NextChild(&tree, AddChildElement(b, "c")), nullptr);
    EXPECT_EQ(TakeBreachIds(), std::vector<std::string>{"xml.not-a-child"});
}

TEST_F(XmlAccessTest, RemovingTakesOnlyThatChildAndItsHandleDies) {
    MQXmlElement a = AddChildElement(&tree, "a");
    MQXmlElement b = AddChildElement(&tree, "b");
    AddChildElement(b, "under-b");
    MQXmlElement c = AddChildElement(&tree, "c");

    int32_t result = 0;
    void* record[2] = {b, &result};
    g_host.MQXmlElem_Value(&tree, MQXML_REMOVE_CHILD, record);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ChildNames(tree), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(tree.ChildCount(), 2u);
    EXPECT_EQ(NextChild(&tree, a), c);

    // The removed element is gone: the host refuses its handle instead of touching it.
    EXPECT_FALSE(host::XmlElement::IsLive(b));
    EXPECT_EQ(AddChildElement(b, "x"), nullptr);
    EXPECT_EQ(GetTextAnsi(b), "");
    RemoveChildElement(&tree, b);
    EXPECT_EQ(tree.ChildCount(), 2u);
    EXPECT_EQ(TakeBreachIds(), std::vector<std::string>(3, "xml.unknown-element"));
}

TEST_F(XmlAccessTest, RemovingAnElementThatIsNotAChildChangesNothing) {
    MQXmlElement a = AddChildElement(&tree, "a");
    MQXmlElement grandchild = AddChildElement(a, "g");
    host::XmlElement other("other");
    MQXmlElement foreign = AddChildElement(&other, "f");

    for (MQXmlElement wrong : {grandchild, foreign, static_cast<MQXmlElement>(&tree)}) {
        int32_t result = 0;
        void* record[2] = {wrong, &result};
        g_host.MQXmlElem_Value(&tree, MQXML_REMOVE_CHILD, record);
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(ChildNames(tree), (std::vector<std::string>{"a"}));
    EXPECT_EQ(ChildNames(*static_cast<host::XmlElement*>(a)), (std::vector<std::string>{"g"}));
    EXPECT_EQ(other.ChildCount(), 1u);
    EXPECT_EQ(TakeBreachIds(), std::vector<std::string>(3, "xml.not-a-child"));
}

TEST_F(XmlAccessTest, AnElementWithoutTextGivesNone) {
    MQXmlElement key = AddChildElement(&tree, "PosX");
    platform::WideString text = WIDE("left over");
    EXPECT_FALSE(GetTextWide(key, text));
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(GetTextAnsi(key), "");

    SetTextWide(key, WIDE("-15"));
    EXPECT_EQ(static_cast<host::XmlElement*>(key)->Text(), "-15");
    EXPECT_TRUE(GetTextWide(key, text));
    EXPECT_EQ(text, WIDE("-15"));
    EXPECT_EQ(GetTextAnsi(key), "-15");

    SetTextWide(key, WIDE(""));
    EXPECT_FALSE(GetTextWide(key, text));
}

TEST_F(XmlAccessTest, AttributesAreSetInPlaceAndAbsentOnesGiveFalse) {
    MQXmlElement name = AddChildElement(&tree, "name");
    std::string value = "left over";
    EXPECT_FALSE(GetAttributeAnsi(name, "visible", value));
    EXPECT_EQ(value, "");

    SetAttributeAnsi(name, "visible", "true");
    SetAttributeAnsi(name, "other", "1");
    SetAttributeAnsi(name, "visible", "false");
    EXPECT_TRUE(GetAttributeAnsi(name, "visible", value));
    EXPECT_EQ(value, "false");
    const auto& attributes = static_cast<host::XmlElement*>(name)->Attributes();
    ASSERT_EQ(attributes.size(), 2u);
    EXPECT_EQ(attributes[0], (host::XmlElement::Attribute{"visible", "false"}));
    EXPECT_EQ(attributes[1], (host::XmlElement::Attribute{"other", "1"}));
}

TEST_F(XmlAccessTest, NamesThatAFileCannotHoldAreRefused) {
    for (const char* name : {"", "1st", "two words", "a<b", "-x", ".x"}) {
        EXPECT_EQ(AddChildElement(&tree, name), nullptr) << name;
    }
    MQXmlElement element = AddChildElement(&tree, "Plugin-7C4B21D9-3E8A6F12");
    ASSERT_NE(element, nullptr);
    SetAttributeAnsi(element, "bad name", "v");
    EXPECT_TRUE(static_cast<host::XmlElement*>(element)->Attributes().empty());
    EXPECT_EQ(tree.ChildCount(), 1u);
    EXPECT_EQ(TakeBreachIds(), std::vector<std::string>(7, "xml.bad-name"));
}

TEST_F(XmlAccessTest, TheJournalShowsEachCallWithItsOperationAndStrings) {
    MQXmlElement store = AddChildElement(&tree, "Store");
    SetAttributeAnsi(store, "visible", "say \"hi\"");
    SetTextWide(store, WIDE("a\tb"));
    std::vector<host::HostCall> calls = host::TheJournal().Of("MQXmlElem_Value");
    ASSERT_EQ(calls.size(), 3u);
    std::string root = host::PointerText(&tree), element = host::PointerText(store);
    EXPECT_EQ(calls[0].Text(), "MQXmlElem_Value(" + root + ", 0x101, \"Store\")");
    EXPECT_EQ(calls[1].Text(), "MQXmlElem_Value(" + element + ", 0x403, \"visible\", \"say \\\"hi\\\"\")");
    EXPECT_EQ(calls[2].Text(), "MQXmlElem_Value(" + element + ", 0x402, \"a\\x09b\")");
}

// Every step of a walk is one sibling link, so a long run of children is walked in
// linear time; the walk must meet each child once, in order, and end after the last.
TEST_F(XmlAccessTest, WalkingAHundredThousandChildrenMeetsEachOnceInOrder) {
    constexpr size_t kChildren = 100000;
    std::vector<host::XmlElement*> made;
    made.reserve(kChildren);
    for (size_t i = 0; i < kChildren; ++i) made.push_back(&tree.AppendChild(i % 2 == 0 ? "even" : "odd"));
    host::TheJournal().Clear();

    size_t visited = 0;
    bool in_order = true;
    for (MQXmlElement child = FindChildElement(&tree, nullptr); child != nullptr;
         child = NextChild(&tree, child)) {
        in_order = in_order && visited < kChildren && child == made[visited];
        ++visited;
    }
    EXPECT_EQ(visited, kChildren);
    EXPECT_TRUE(in_order);
    EXPECT_EQ(host::TheJournal().Count("MQXmlElem_Value"), kChildren + 1);

    // Removing from the middle relinks the neighbours.
    RemoveChildElement(&tree, made[kChildren / 2]);
    EXPECT_EQ(NextChild(&tree, made[kChildren / 2 - 1]), made[kChildren / 2 + 1]);
    EXPECT_EQ(tree.ChildCount(), kChildren - 1);
}

}  // namespace
