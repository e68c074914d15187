// The slots inside the document: what a save writes into the plug-in's element, and what
// a load makes of an element, seen through the window's buttons and recalls.
#include <algorithm>
#include <string>
#include <vector>

#include "support/lucid_fixture.h"
#include "platform/platform.h"

namespace {

// An element tree as one line: name, attributes, quoted text, then the children in
// brackets. The entries of a "list" are sorted, since their order means nothing.
std::string Outline(const host::XmlElement& element) {
    std::string text = element.Name();
    for (const auto& [name, value] : element.Attributes()) text += " " + name + "=" + value;
    if (!element.Text().empty()) text += " \"" + element.Text() + "\"";
    std::vector<std::string> children;
    for (const host::XmlElement* child = element.FirstChild(); child != nullptr; child = child->NextSibling()) {
        children.push_back(Outline(*child));
    }
    if (element.Name() == "list") std::sort(children.begin(), children.end());
    if (children.empty()) return text;
    text += "[";
    for (size_t i = 0; i < children.size(); ++i) text += (i == 0 ? "" : ", ") + children[i];
    return text + "]";
}

// Adds an entry to a slot element; a null `visible` leaves the attribute out.
host::XmlElement& AddEntry(host::XmlElement& list, const std::string& name, const char* visible,
                           const char* tag = "name") {
    host::XmlElement& entry = list.AppendChild(tag);
    entry.SetText(name);
    if (visible != nullptr) entry.SetAttribute("visible", visible);
    return entry;
}

class DocumentStorage : public LucidTest {
protected:
    void SetUp() override {
        LucidTest::SetUp();
        for (const char* name : {"A", "B", "C"}) document->AddObject(name);
    }
    // The document's picture after recalling `row` over `before`.
    std::string RecallOver(const std::string& before, size_t row) {
        SetPicture(before);
        ClickRecall(row);
        return document->VisibilityPicture();
    }
    // The host was never handed a null element.
    static void ExpectNoNullElement() {
        for (const host::HostCall& call : journal().Of("MQXmlElem_Value")) {
            EXPECT_NE(call.args[0], "null") << call.Text();
        }
    }
    host::XmlElement saved{"plugin"};
};

TEST_F(DocumentStorage, EmptySlotBetweenTwoIsSavedAsAnEmptyListAndComesBackReleased) {
    StartShown();
    SetPicture("110");
    ASSERT_EQ(ClickStore(0).result, 0);
    SetPicture("011");
    ASSERT_EQ(ClickStore(2).result, 0);

    ASSERT_EQ(Save(&saved), 1);
    EXPECT_EQ(Outline(saved),
              "plugin[Store[list[name visible=false \"C\", name visible=true \"A\", name visible=true \"B\"], list, "
              "list[name visible=false \"A\", name visible=true \"B\", name visible=true \"C\"]]]");
    EXPECT_EQ(StoreStates(), "*.*..") << "a save changes no row";

    // The user goes on working, then the document is loaded again.
    ASSERT_EQ(PressAdd().result, 0);
    ASSERT_EQ(ClickStore(1).result, 0);
    widgets().QueueAnswer(1);
    ASSERT_EQ(ClickStore(0, {.shift = true}).result, 0);
    ASSERT_EQ(StoreStates(), ".**...");

    ASSERT_EQ(Load(&saved), 1);
    EXPECT_EQ(StoreStates(), "*.*..");
    EXPECT_EQ(RecallOver("000", 0), "110");
    EXPECT_EQ(RecallOver("000", 2), "011");
    EXPECT_EQ(ClickRecall(1).result, 0);
    EXPECT_EQ(ClickRecall(3).result, 0);
    ExpectNoNullElement();
}

TEST_F(DocumentStorage, EmptySlotsAtTheEndAreNotSavedAndTheAddedRowsDoNotComeBack) {
    StartShown();
    for (int i = 0; i < 3; ++i) ASSERT_EQ(PressAdd().result, 0);
    SetPicture("101");
    ASSERT_EQ(ClickStore(1).result, 0);  // the list grows to all eight rows
    ASSERT_EQ(StoreStates(), ".*......");

    ASSERT_EQ(Save(&saved), 1);
    EXPECT_EQ(Outline(saved),
              "plugin[Store[list, list[name visible=false \"B\", name visible=true \"A\", name visible=true \"C\"]]]");
    EXPECT_EQ(StoreButtons().size(), 8u) << "a save keeps the rows";

    host::XmlElement again("plugin");
    ASSERT_EQ(Save(&again), 1);
    EXPECT_EQ(Outline(again), Outline(saved));

    ASSERT_EQ(Load(&saved), 1);
    EXPECT_EQ(StoreStates(), ".*...");
    EXPECT_EQ(RecallOver("010", 1), "101");
}

TEST_F(DocumentStorage, NothingToSaveStillAddsAnEmptyStore) {
    StartShown();
    ASSERT_EQ(PressAdd().result, 0);
    ASSERT_EQ(Save(&saved), 1);
    EXPECT_EQ(Outline(saved), "plugin[Store]");
    ASSERT_EQ(ClickStore(4).result, 0);
    widgets().QueueAnswer(1);
    ASSERT_EQ(ClickStore(4, {.shift = true}).result, 0);  // filled, then cleared again
    host::XmlElement cleared("plugin");
    ASSERT_EQ(Save(&cleared), 1);
    EXPECT_EQ(Outline(cleared), "plugin[Store]");
}

TEST_F(DocumentStorage, SixListsGiveSixRows) {
    StartShown();
    host::XmlElement& store = saved.AppendChild("Store");
    for (int i = 0; i < 6; ++i) store.AppendChild("list");
    AddEntry(*store.LastChild(), "B", "false");
    ASSERT_EQ(Load(&saved), 1);
    EXPECT_EQ(StoreStates(), ".....*");
    EXPECT_EQ(RecallButtons().size(), 6u);
    EXPECT_EQ(RecallOver("111", 5), "101");
    EXPECT_EQ(widgets().Find(Window())->height, widgets().JustSize(Window())[1]);
}

// The load reads any names of elements and only "true" as shown.
TEST_F(DocumentStorage, OnlyLowerCaseTrueLoadsAsShown) {
    document->AddObject("D");
    document->AddObject("E");
    document->AddObject("");
    StartShown();
    host::XmlElement& list = saved.AppendChild("Slots").AppendChild("slot");
    AddEntry(list, "A", "True");
    AddEntry(list, "B", "true");
    AddEntry(list, "C", "true", "entry");
    AddEntry(list, "D", "TRUE");
    AddEntry(list, "E", nullptr);
    AddEntry(list, "", "true");
    ASSERT_EQ(Load(&saved), 1);
    EXPECT_EQ(StoreStates(), "*....");
    EXPECT_EQ(RecallOver("101000", 0), "011001");
    EXPECT_EQ(RecallOver("000010", 0), "011001");
}

TEST_F(DocumentStorage, ANameTwiceInOneListKeepsItsFirstFlag) {
    StartShown();
    host::XmlElement& list = saved.AppendChild("Store").AppendChild("list");
    AddEntry(list, "A", "false");
    AddEntry(list, "A", "true");
    AddEntry(list, "B", "true");
    AddEntry(list, "B", "false");
    ASSERT_EQ(Load(&saved), 1);
    EXPECT_EQ(RecallOver("100", 0), "010");

    host::XmlElement rewritten("plugin");
    ASSERT_EQ(Save(&rewritten), 1);
    EXPECT_EQ(Outline(rewritten), "plugin[Store[list[name visible=false \"A\", name visible=true \"B\"]]]");
}

// A document without slots (no element, an empty one, a store without lists) replaces
// whatever the plug-in held: five released rows, nothing to recall.
TEST_F(DocumentStorage, ADocumentWithoutSlotsEmptiesTheSlots) {
    StartShown();
    auto fill = [&] {
        ASSERT_EQ(PressAdd().result, 0);
        ASSERT_EQ(ClickStore(0).result, 0);
        ASSERT_EQ(ClickStore(5).result, 0);
        ASSERT_EQ(StoreStates(), "*....*");
    };
    auto expect_empty = [&](const char* what) {
        EXPECT_EQ(StoreStates(), ".....") << what;
        EXPECT_EQ(ClickRecall(0).result, 0) << what;
        host::XmlElement after("plugin");
        ASSERT_EQ(Save(&after), 1);
        EXPECT_EQ(Outline(after), "plugin[Store]") << what;
    };

    fill();
    host::XmlElement childless("plugin");
    ASSERT_EQ(Load(&childless), 1);
    expect_empty("an element without children");

    fill();
    host::XmlElement storeless("plugin");
    storeless.AppendChild("Store");
    ASSERT_EQ(Load(&storeless), 1);
    expect_empty("a store without lists");

    fill();
    ASSERT_EQ(Load(nullptr), 1);
    expect_empty("a null element");

    fill();
    host::OptionList no_element;
    no_element.Text("filename", "scene.mqo");
    ASSERT_EQ(plugin->SendEvent(doc(), MQEVENT_LOAD_DOCUMENT, no_element), 1);
    expect_empty("no element at all");
    ExpectNoNullElement();
}

TEST_F(DocumentStorage, SaveWithoutAnElementWritesNothingAndKeepsTheSlots) {
    StartShown();
    ASSERT_EQ(ClickStore(1).result, 0);
    journal().Clear();
    EXPECT_EQ(Save(nullptr), 1);
    EXPECT_EQ(journal().Count("MQXmlElem_Value"), 0u);
    EXPECT_EQ(StoreStates(), ".*...");
    ASSERT_EQ(Save(&saved), 1);
    EXPECT_EQ(Outline(saved),
              "plugin[Store[list, list[name visible=true \"A\", name visible=true \"B\", name visible=true \"C\"]]]");
}

// Slots also load before the window exists, and the window then shows them.
TEST_F(DocumentStorage, ALoadBeforeStartIsShownByTheWindow) {
    AddEntry(saved.AppendChild("Store").AppendChild("list"), "C", "false");
    ASSERT_EQ(Load(&saved), 1);
    StartShown();
    EXPECT_EQ(StoreStates(), "*....");
    EXPECT_EQ(RecallOver("111", 0), "110");
}

// Names are the host's narrow bytes inside the plug-in and UTF-8 in the document: UTF-8
// on POSIX, the ANSI code page 1252 under Windows.
TEST_F(DocumentStorage, NamesOutsideAsciiSurviveSaveAndLoadByteForByte) {
    const bool windows = std::string(platform::ModuleSuffix()) == ".dll";
    const std::string utf8 = "Caf\xC3\xA9 \xE2\x82\xAC\xC3\x9F";         // "Café €ß"
    const std::string narrow = windows ? "Caf\xE9 \x80\xDF" : utf8;
    const std::string neighbour = windows ? "Caf\xE8 \x80\xDF" : "Caf\xC3\xA8 \xE2\x82\xAC\xC3\x9F";  // "Cafè €ß"
    document->AddObject(narrow, true);
    document->AddObject(neighbour, false);
    StartShown();
    ASSERT_EQ(ClickStore(0).result, 0);
    ASSERT_EQ(Save(&saved), 1);
    const host::XmlElement* list = saved.FindChild("Store")->FirstChild();
    std::vector<std::string> texts;
    for (const host::XmlElement* entry = list->FirstChild(); entry != nullptr; entry = entry->NextSibling()) {
        texts.push_back(entry->Text());
    }
    EXPECT_NE(std::find(texts.begin(), texts.end(), utf8), texts.end()) << "the name was not written as UTF-8";

    // A fresh start of the plug-in reads the names back into the host's bytes: the recall
    // finds both objects, told apart by one accented letter.
    ASSERT_EQ(Exit(), 1);
    plugin.reset();
    LoadPlugin();
    ASSERT_EQ(Initialize(), 1);
    ASSERT_EQ(Load(&saved), 1);
    document->FindObject(narrow)->SetVisible(false);
    document->FindObject(neighbour)->SetVisible(true);
    EXPECT_EQ(ClickRecall(0).result, 1);
    EXPECT_TRUE(document->FindObject(narrow)->visible());
    EXPECT_FALSE(document->FindObject(neighbour)->visible());

    host::XmlElement again("plugin");
    ASSERT_EQ(Save(&again), 1);
    EXPECT_EQ(Outline(again), Outline(saved));
}

}  // namespace
