// A host that is not polite: while the window's question is open, the host runs a nested
// loop and delivers events and clicks before the box answers, and it may raise events
// from inside the plug-in's own widget calls. Whatever comes meanwhile, the host survives,
// sees no broken rule, and the slots and buttons end as the user would expect.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "host/careless/catalogue.h"
#include "support/lucid_fixture.h"

namespace {

using host::Modifiers;

// What the host does while the question is open, before it answers OK.
enum class Meanwhile {
    Nothing,
    Deactivate,        // event 100 with 0: the host hides the window
    Activate,          // event 100 with 1
    Save,              // event 202
    UserCloses,        // the window's close button
    StoreAnotherRow,   // a plain click on row 3's "S", whose slot is empty
    Add,               // "Add": the rows are rebuilt
    LoadSameDocument,  // event 200 on the click's document
    LoadOtherDocument, // the user closes the click's document and opens another
    Exit,              // event 2: the window is destroyed
    ExitAndStart,      // event 2, then 1: another window
    Start,             // event 1 again, without an exit
};

enum class Box { Overwrite, Append, Clear };

struct ReentryCase {
    Box box;
    Meanwhile meanwhile;
};

std::string CaseName(const ::testing::TestParamInfo<ReentryCase>& info) {
    const char* boxes[] = {"Overwrite", "Append", "Clear"};
    const char* actions[] = {"Nothing",  "Deactivate", "Activate",   "Save",
                             "UserCloses", "StoreAnotherRow", "Add", "LoadSameDocument",
                             "LoadOtherDocument", "Exit", "ExitAndStart", "Start"};
    return std::string(boxes[static_cast<int>(info.param.box)]) + "Meanwhile" +
           actions[static_cast<int>(info.param.meanwhile)];
}

// Slot 1 holds A and B shown and C hidden; the document then shows only C, and the user
// clicks row 1's "S" (pressed), which asks. A and C pass an appending store's test.
// The careless host's behaviours are performed here: a click elsewhere is a plain one on
// row 3's "S", a press elsewhere "Add", a load hands the slots {A hidden}, and the other
// document holds X with the slots {X shown}.
class Reentry : public LucidTest, public ::testing::WithParamInterface<ReentryCase>, public host::careless::Stage {
protected:
    void SetUp() override {
        LucidTest::SetUp();
        document->AddObject("A").SetAppendFilter(1);
        document->AddObject("B").SetAppendFilter(0);
        document->AddObject("C").SetAppendFilter(1);
        StartShown();
        std::unique_ptr<host::XmlElement> element = Element({"", "A+B+C-"});
        ASSERT_EQ(Load(element.get()), 1);
        ASSERT_EQ(StoreStates(), ".*...");
        SetPicture("001");
    }

    // A plug-in element whose slots hold what `slots` describe (see Describe).
    static std::unique_ptr<host::XmlElement> Element(const std::vector<std::string>& slots) {
        auto element = std::make_unique<host::XmlElement>("plugin");
        host::XmlElement& store = element->AppendChild("Store");
        for (const std::string& slot : slots) {
            host::XmlElement& list = store.AppendChild("list");
            for (size_t i = 0; i + 1 < slot.size(); i += 2) {
                host::XmlElement& entry = list.AppendChild("name");
                entry.SetText(slot.substr(i, 1));
                entry.SetAttribute("visible", slot[i + 1] == '+' ? "true" : "false");
            }
        }
        return element;
    }

    // The slots as the plug-in saves them: one group a slot, "|" between, each entry its
    // name and '+' (shown) or '-' (hidden), in name order.
    std::string SavedSlots() {
        host::XmlElement element("plugin");
        Save(&element);
        std::string text;
        const host::XmlElement* store = element.FirstChild();
        for (const host::XmlElement* list = store != nullptr ? store->FirstChild() : nullptr; list != nullptr;
             list = list->NextSibling()) {
            std::vector<std::string> entries;
            for (const host::XmlElement* entry = list->FirstChild(); entry != nullptr; entry = entry->NextSibling()) {
                const std::string* visible = entry->FindAttribute("visible");
                entries.push_back(entry->Text() + (visible != nullptr && *visible == "true" ? "+" : "-"));
            }
            std::sort(entries.begin(), entries.end());
            if (!text.empty() || list != store->FirstChild()) text += "|";
            for (const std::string& entry : entries) text += entry;
        }
        return text;
    }

    static Modifiers KeysOf(Box box) {
        if (box == Box::Append) return {false, true};
        if (box == Box::Clear) return {true, false};
        return {};
    }

    int32_t Send(int32_t event, void* argument) override { return plugin->SendEvent(doc(), event, argument); }
    host::Document& Current() override { return *document; }
    size_t Pick(size_t) override { return 0; }
    host::Document& OpenAnother() override {
        document = &host::OpenDocument();
        document->AddObject("X");
        return *document;
    }
    std::unique_ptr<host::XmlElement> ElementFor(host::Document& target) override {
        return Element({&target == opened_first_ ? "A-" : "X+"});
    }
    int32_t Elsewhere(host::careless::Behaviour behaviour) override {
        if (behaviour == host::careless::Behaviour::PressElsewhere) return host::FindButtons(Window(), "Add").at(0);
        return StoreButton(3);
    }

    static host::careless::Behaviour BehaviourOf(Meanwhile meanwhile) {
        using host::careless::Behaviour;
        switch (meanwhile) {
        case Meanwhile::Deactivate: return Behaviour::ActivationOff;
        case Meanwhile::Activate: return Behaviour::ActivationOn;
        case Meanwhile::Save: return Behaviour::Save;
        case Meanwhile::UserCloses: return Behaviour::UserCloses;
        case Meanwhile::StoreAnotherRow: return Behaviour::ClickElsewhere;
        case Meanwhile::Add: return Behaviour::PressElsewhere;
        case Meanwhile::LoadSameDocument: return Behaviour::Load;
        case Meanwhile::LoadOtherDocument: return Behaviour::DocumentReplaced;
        case Meanwhile::Exit: return Behaviour::Exit;
        case Meanwhile::ExitAndStart: return Behaviour::ExitAndStart;
        case Meanwhile::Nothing:
        case Meanwhile::Start: break;
        }
        return Behaviour::Start;
    }

    void Run(Meanwhile meanwhile) {
        if (meanwhile == Meanwhile::Nothing) return;
        opened_first_ = document;
        host::careless::Perform(BehaviourOf(meanwhile), *this);
    }

    host::Document* opened_first_ = nullptr;
};

// What the click stores into slot 1 when its question goes ahead.
std::string StoredIntoSlotOne(Box box) {
    switch (box) {
    case Box::Overwrite: return "A-B-C+";
    case Box::Append: return "A-B+C+";  // A and C pass the test; B keeps its entry
    case Box::Clear: return "";
    }
    return "?";
}

struct Expected {
    std::string slots;   // as SavedSlots describes them
    std::string states;  // the "S" buttons afterwards; "" when there is no window
};

// A window only hidden, a save, or another row's store takes nothing from the question,
// which goes ahead; a rebuild of the rows, a document load, an exit or a start does, and
// the question is dropped, changing nothing.
Expected ExpectedAfter(Box box, Meanwhile meanwhile) {
    std::string stored = StoredIntoSlotOne(box);
    std::string one = stored.empty() ? "." : "*";
    switch (meanwhile) {
    case Meanwhile::Nothing:
    case Meanwhile::Deactivate:
    case Meanwhile::Activate:
    case Meanwhile::Save:
    case Meanwhile::UserCloses:
        return {stored.empty() ? "" : "|" + stored, "." + one + "..."};
    case Meanwhile::StoreAnotherRow:
        return {"|" + stored + "||A-B-C+", "." + one + ".*."};
    case Meanwhile::Add:
        return {"|A+B+C-", ".*...."};
    case Meanwhile::LoadSameDocument:
        return {"A-", "*...."};
    case Meanwhile::LoadOtherDocument:
        return {"X+", "*...."};
    case Meanwhile::Exit:
        return {"|A+B+C-", ""};
    case Meanwhile::ExitAndStart:
    case Meanwhile::Start:
        return {"|A+B+C-", ".*..."};
    }
    return {};
}

TEST_P(Reentry, TheHostSurvivesAndTheSlotsAndButtonsAreWhatTheUserMade) {
    const ReentryCase c = GetParam();
    widgets().WhileNextBoxOpen([&] { Run(c.meanwhile); });
    widgets().QueueAnswer(MQBOX_OK);
    host::EventOutcome outcome = ClickStore(1, KeysOf(c.box));
    ASSERT_TRUE(outcome.refused.empty()) << outcome.refused;
    EXPECT_EQ(widgets().MessageBoxes().size(), 1u);
    EXPECT_EQ(outcome.result, 0);

    Expected expected = ExpectedAfter(c.box, c.meanwhile);
    EXPECT_EQ(StoreStates(), expected.states) << Picture();
    EXPECT_EQ(host::TheBreaches().Text(), "");
    EXPECT_EQ(SavedSlots(), expected.slots);
}

std::vector<ReentryCase> AllCases() {
    std::vector<ReentryCase> cases;
    for (Box box : {Box::Overwrite, Box::Append, Box::Clear}) {
        for (int m = 0; m <= static_cast<int>(Meanwhile::Start); ++m) cases.push_back({box, static_cast<Meanwhile>(m)});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryBoxAndHostAction, Reentry, ::testing::ValuesIn(AllCases()), CaseName);

// ---- Events the host raises from inside the plug-in's own widget calls ------------------

class RaisedInside : public LucidTest {
protected:
    void SetUp() override {
        LucidTest::SetUp();
        document->AddObject("A");
        StartShown();
        ASSERT_EQ(ClickStore(1).result, 0);
        ASSERT_EQ(StoreStates(), ".*...");
    }
    static int32_t AddButton() { return host::FindButtons(Window(), "Add").at(0); }
};

// An "Add" raised while the rows are being rebuilt: the rebuild under way finishes, and one
// more follows for the added row, so one row set shows the seven rows, as their slots are.
TEST_F(RaisedInside, AnAddDuringARebuildTakesEffectOnceAfterIt) {
    int32_t add = AddButton();
    widgets().RaiseInside({MQWIDGET_SET_VALUE, MQKEY_DOWN, 0, MQEVT_EXECUTE, add});
    ASSERT_EQ(PressAdd().result, 0);
    EXPECT_EQ(StoreStates(), ".*.....");
    EXPECT_EQ(RecallButtons().size(), 7u);
    EXPECT_EQ(host::FindButtons(Window(), "Add").size(), 1u);
}

// An "Add" raised from inside the window's fit to its rows, the rebuild's last call to the
// host: it too brings its row.
TEST_F(RaisedInside, AnAddDuringTheFitAfterARebuildTakesEffect) {
    widgets().RaiseInside({MQWIDGET_GET_VALUE, MQKEY_JUSTSIZE, Window(), MQEVT_EXECUTE, AddButton()});
    ASSERT_EQ(PressAdd().result, 0);
    EXPECT_EQ(widgets().ArmedEvents(), 0u);
    EXPECT_EQ(StoreStates(), ".*.....");
    EXPECT_EQ(RecallButtons().size(), 7u);
}

// An "Add" raised from inside the SetDown of a store: the rows are rebuilt before the slot
// is filled, and the new row's button must still come to show the stored slot.
TEST_F(RaisedInside, AnAddDuringAStoreLeavesTheStoredRowPressed) {
    widgets().RaiseInside({MQWIDGET_SET_VALUE, MQKEY_DOWN, StoreButton(3), MQEVT_EXECUTE, AddButton()});
    ASSERT_EQ(ClickStore(3).result, 0);
    EXPECT_EQ(StoreStates(), ".*.*..");
    ClickStore(3);  // a pressed button asks before it overwrites
    EXPECT_EQ(widgets().MessageBoxes().size(), 1u);
}

// A click raised from inside a document load's release of the buttons asks its question,
// and the host exits while it is open: the window goes only once the load is done with it.
TEST_F(RaisedInside, AnExitInsideAQuestionInsideALoadDestroysTheWindowAfterTheLoad) {
    widgets().RaiseInside({MQWIDGET_SET_VALUE, MQKEY_DOWN, 0, MQEVT_LEFTDOWN, StoreButton(1)});
    widgets().WhileNextBoxOpen([&] { Exit(); });
    widgets().QueueAnswer(MQBOX_OK);
    host::XmlElement element("plugin");
    ASSERT_EQ(Load(&element), 1);
    EXPECT_EQ(widgets().MessageBoxes().size(), 1u);
    EXPECT_EQ(Window(), 0);
    EXPECT_EQ(widgets().Ids().size(), 1u);  // the host's main window alone
    ASSERT_EQ(Initialize(), 1);
    EXPECT_EQ(StoreStates(), ".....");
}

}  // namespace
