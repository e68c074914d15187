// The "Lucid" window in use: clicks on its "S", "R" and "Add" buttons with every modifier
// and every answer to its questions, and the widgets its rebuilds leave behind.
#include <array>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "support/lucid_fixture.h"

namespace {

using host::Modifiers;
using host::MouseButton;

// The plug-in's element of a document whose slot 1 holds A and B shown and C hidden, and
// whose slot 0 is empty.
std::unique_ptr<host::XmlElement> SlotOneHoldsTTF() {
    auto element = std::make_unique<host::XmlElement>("plugin");
    host::XmlElement& store = element->AppendChild("Store");
    store.AppendChild("list");
    host::XmlElement& list = store.AppendChild("list");
    for (auto [name, visible] : {std::pair{"A", "true"}, {"B", "true"}, {"C", "false"}}) {
        host::XmlElement& entry = list.AppendChild("name");
        entry.SetText(name);
        entry.SetAttribute("visible", visible);
    }
    return element;
}

class LucidWindow : public LucidTest {
protected:
    // Objects A and C pass an appending store's test (value 262), B does not.
    void AddObjectsABC() {
        document->AddObject("A").SetAppendFilter(1);
        document->AddObject("B").SetAppendFilter(0);
        document->AddObject("C").SetAppendFilter(1);
    }
    // What the slot of `row` holds, seen only through its "R" button: one character per
    // object place, 'T' when the recall shows the object, 'F' when it hides it, '-' when it
    // leaves it alone. The recall runs twice, once over all shown and once over all hidden.
    std::string SeenByRecall(size_t row) {
        SetPicture(std::string(static_cast<size_t>(document->PlaceCount()), '1'));
        ClickRecall(row);
        std::string over_shown = document->VisibilityPicture();
        SetPicture(std::string(static_cast<size_t>(document->PlaceCount()), '0'));
        ClickRecall(row);
        std::string over_hidden = document->VisibilityPicture();
        std::string seen;
        for (size_t i = 0; i < over_shown.size(); ++i) {
            bool shows = over_shown[i] == '1' && over_hidden[i] == '1';
            bool hides = over_shown[i] == '0' && over_hidden[i] == '0';
            seen += shows ? 'T' : hides ? 'F' : '-';
        }
        return seen;
    }
    // How often Delete was sent for each id.
    static std::map<int32_t, int> DeletesPerId() {
        std::map<int32_t, int> deletes;
        for (const host::HostCall& call : journal().Of("MQWidget_Value")) {
            if (call.args.size() == 3 && call.args[1].rfind("Delete ", 0) == 0) ++deletes[std::stoi(call.args[0])];
        }
        return deletes;
    }
};

// ---- "S": every modifier, on a pressed and a released button, with every answer -----------

enum class Keys { None, Ctrl, Shift, CtrlShift };
enum class Answer { Ok, Cancel, None };

// One click on row 1's "S" button while the document shows only C (picture "001"). Before
// the click the button is pressed, its slot holding A and B shown and C hidden ("TTF"), or
// released, with no slot behind it. Objects A and C pass an appending store's test, B does
// not, and an append keeps the entries it does not rewrite.
struct StoreCase {
    const char* name;
    Keys keys;
    bool pressed;
    Answer answer;  // what the user gives the box, if one is shown
    // Expected:
    const char* question;  // the box's message, "" when none is shown
    bool down;             // the button afterwards
    const char* slot;      // row 1 as its "R" button recalls it, per A, B, C
};

// Written out by hand from the window's rules, one row per gesture.
constexpr StoreCase kStoreCases[] = {
    // name                             keys              pressed  answer          question      down   slot
    {"PlainOnPressedOk",                Keys::None,       true,    Answer::Ok,     "Overwrite?", true,  "FFT"},
    {"PlainOnPressedCancel",            Keys::None,       true,    Answer::Cancel, "Overwrite?", true,  "TTF"},
    {"PlainOnPressedUnanswered",        Keys::None,       true,    Answer::None,   "Overwrite?", true,  "TTF"},
    {"PlainOnReleasedOk",               Keys::None,       false,   Answer::Ok,     "",           true,  "FFT"},
    {"PlainOnReleasedCancel",           Keys::None,       false,   Answer::Cancel, "",           true,  "FFT"},
    {"PlainOnReleasedUnanswered",       Keys::None,       false,   Answer::None,   "",           true,  "FFT"},
    {"CtrlOnPressedOk",                 Keys::Ctrl,       true,    Answer::Ok,     "Append?",    true,  "FTT"},
    {"CtrlOnPressedCancel",             Keys::Ctrl,       true,    Answer::Cancel, "Append?",    true,  "TTF"},
    {"CtrlOnPressedUnanswered",         Keys::Ctrl,       true,    Answer::None,   "Append?",    true,  "TTF"},
    {"CtrlOnReleasedOk",                Keys::Ctrl,       false,   Answer::Ok,     "",           true,  "F-T"},
    {"CtrlOnReleasedCancel",            Keys::Ctrl,       false,   Answer::Cancel, "",           true,  "F-T"},
    {"CtrlOnReleasedUnanswered",        Keys::Ctrl,       false,   Answer::None,   "",           true,  "F-T"},
    {"ShiftOnPressedOk",                Keys::Shift,      true,    Answer::Ok,     "Clear?",     false, "---"},
    {"ShiftOnPressedCancel",            Keys::Shift,      true,    Answer::Cancel, "Clear?",     true,  "TTF"},
    {"ShiftOnPressedUnanswered",        Keys::Shift,      true,    Answer::None,   "Clear?",     true,  "TTF"},
    {"ShiftOnReleasedOk",               Keys::Shift,      false,   Answer::Ok,     "",           false, "---"},
    {"ShiftOnReleasedCancel",           Keys::Shift,      false,   Answer::Cancel, "",           false, "---"},
    {"ShiftOnReleasedUnanswered",       Keys::Shift,      false,   Answer::None,   "",           false, "---"},
    {"CtrlShiftOnPressedOk",            Keys::CtrlShift,  true,    Answer::Ok,     "Append?",    true,  "FTT"},
    {"CtrlShiftOnPressedCancel",        Keys::CtrlShift,  true,    Answer::Cancel, "Append?",    true,  "TTF"},
    {"CtrlShiftOnPressedUnanswered",    Keys::CtrlShift,  true,    Answer::None,   "Append?",    true,  "TTF"},
    {"CtrlShiftOnReleasedOk",           Keys::CtrlShift,  false,   Answer::Ok,     "",           true,  "F-T"},
    {"CtrlShiftOnReleasedCancel",       Keys::CtrlShift,  false,   Answer::Cancel, "",           true,  "F-T"},
    {"CtrlShiftOnReleasedUnanswered",   Keys::CtrlShift,  false,   Answer::None,   "",           true,  "F-T"},
};

std::string CaseName(const ::testing::TestParamInfo<StoreCase>& info) { return info.param.name; }
void PrintTo(const StoreCase& c, std::ostream* out) { *out << c.name; }

class StoreClick : public LucidWindow, public ::testing::WithParamInterface<StoreCase> {};

TEST_P(StoreClick, AsksOnlyWhenPressedAndActsOnlyOnOk) {
    const StoreCase& c = GetParam();
    AddObjectsABC();
    StartShown();
    std::unique_ptr<host::XmlElement> stored = SlotOneHoldsTTF();
    if (c.pressed) {
        ASSERT_EQ(Load(stored.get()), 1);
    }
    ASSERT_EQ(StoreStates(), c.pressed ? ".*..." : ".....");
    SetPicture("001");
    if (c.answer == Answer::Ok) widgets().QueueAnswer(1);
    if (c.answer == Answer::Cancel) widgets().QueueAnswer(2);

    Modifiers modifiers;
    modifiers.ctrl = c.keys == Keys::Ctrl || c.keys == Keys::CtrlShift;
    modifiers.shift = c.keys == Keys::Shift || c.keys == Keys::CtrlShift;
    host::EventOutcome outcome = ClickStore(1, modifiers);
    ASSERT_EQ(outcome.refused, "");
    EXPECT_EQ(outcome.deliveries, 1);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(document->VisibilityPicture(), "001") << "a store never changes the document";

    const std::vector<host::MessageBoxRequest>& boxes = widgets().MessageBoxes();
    if (*c.question != '\0') {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].message, c.question);
        EXPECT_EQ(boxes[0].title, "Lucid");
        EXPECT_EQ(boxes[0].messagetype, "okcancel");
        EXPECT_EQ(boxes[0].parent, Window());
    } else {
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(widgets().QueuedAnswers(), c.answer == Answer::None ? 0u : 1u) << "an answer was taken unasked";
    }
    EXPECT_EQ(StoreStates(), std::string(".") + (c.down ? '*' : '.') + "...");
    EXPECT_EQ(SeenByRecall(1), c.slot);
    EXPECT_EQ(SeenByRecall(0), "---") << "another row was touched";
}

INSTANTIATE_TEST_SUITE_P(EveryGesture, StoreClick, ::testing::ValuesIn(kStoreCases), CaseName);

// ---- "R" and the buttons that are not left ------------------------------------------------

TEST_F(LucidWindow, RecallOfAnEmptyOrMissingSlotAnswersZeroAndTouchesNothing) {
    AddObjectsABC();
    SetPicture("010");
    StartShown();
    journal().Clear();

    host::EventOutcome beyond = ClickRecall(3);  // no slot list at all yet
    EXPECT_EQ(beyond.deliveries, 1);
    EXPECT_EQ(beyond.result, 0);

    ASSERT_EQ(ClickStore(0).result, 0);  // the list now holds five slots, only slot 0 filled
    EXPECT_EQ(ClickRecall(2).result, 0);
    ASSERT_EQ(PressAdd().refused, "");
    host::EventOutcome added_row = ClickRecall(5);  // a sixth row, beyond the list's end
    EXPECT_EQ(added_row.deliveries, 1);
    EXPECT_EQ(added_row.result, 0);

    EXPECT_EQ(document->VisibilityPicture(), "010");
    EXPECT_EQ(journal().Count("MQObj_SetVisible"), 0u);
    EXPECT_EQ(journal().Count("MQDoc_GetObjectCount"), 1u) << "only the store went through the document";
    EXPECT_EQ(ClickRecall(0).result, 1);
}

TEST_F(LucidWindow, RecallShowsAndHidesTheRecordedObjectsAndLeavesTheOthers) {
    AddObjectsABC();
    SetPicture("100");
    StartShown();
    ASSERT_EQ(ClickStore(0).result, 0);
    document->AddObject("D", false);  // added after the store, under a name the slot lacks
    SetPicture("0111");
    journal().Clear();
    host::EventOutcome outcome = ClickRecall(0);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(document->VisibilityPicture(), "1001");
    EXPECT_EQ(StoreStates(), "*....") << "a recall changes no button";
    EXPECT_TRUE(widgets().MessageBoxes().empty());
}

TEST_F(LucidWindow, RightAndMiddleClicksReachNoHandler) {
    AddObjectsABC();
    StartShown();
    ASSERT_EQ(ClickStore(0).result, 0);
    SetPicture("000");
    journal().Clear();
    Modifiers both;
    both.ctrl = both.shift = true;
    for (MouseButton button : {MouseButton::Right, MouseButton::Middle}) {
        for (int32_t target : {StoreButton(0), StoreButton(1), RecallButton(0)}) {
            for (Modifiers keys : {Modifiers{}, both}) {
                host::EventOutcome outcome = widgets().MouseDown(target, button, keys, doc());
                EXPECT_EQ(outcome.refused, "");
                EXPECT_EQ(outcome.deliveries, 0);
            }
        }
    }
    EXPECT_TRUE(widgets().MessageBoxes().empty());
    EXPECT_EQ(StoreStates(), "*....");
    EXPECT_EQ(document->VisibilityPicture(), "000");
    EXPECT_EQ(journal().Count("MQObj_SetVisible") + journal().Count("MQDoc_GetObjectCount"), 0u);
}

// ---- "Add" and the rebuilt rows -----------------------------------------------------------

TEST_F(LucidWindow, WindowShowsFiveRowsAndAddTitledLucidAndFitsThem) {
    StartShown();
    const host::Widget* window = widgets().Find(Window());
    EXPECT_EQ(window->owner, widgets().MainWindow());
    EXPECT_FALSE(window->closebutton);
    EXPECT_FALSE(window->canresize);
    EXPECT_EQ(Picture(),
              "+- Lucid -+\n"
              "| [S] [R] |\n"
              "| [S] [R] |\n"
              "| [S] [R] |\n"
              "| [S] [R] |\n"
              "| [S] [R] |\n"
              "| [Add]   |\n"
              "+---------+\n");
    std::array<int32_t, 4> fit = widgets().JustSize(Window());
    EXPECT_EQ(window->width, fit[0]);
    EXPECT_EQ(window->height, fit[1]);
}

TEST_F(LucidWindow, AddGivesASixthReleasedRowAndKeepsTheOthersAsTheirSlots) {
    document->AddObject("A");
    StartShown();
    ASSERT_EQ(ClickStore(0).result, 0);
    ASSERT_EQ(ClickStore(2).result, 0);
    int32_t height_before = widgets().Find(Window())->height;

    host::EventOutcome outcome = PressAdd();
    EXPECT_EQ(outcome.deliveries, 1);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(StoreStates(), "*.*...");
    EXPECT_EQ(RecallButtons().size(), 6u);
    EXPECT_EQ(Picture(),
              "+- Lucid --+\n"
              "| [S*] [R] |\n"
              "| [S]  [R] |\n"
              "| [S*] [R] |\n"
              "| [S]  [R] |\n"
              "| [S]  [R] |\n"
              "| [S]  [R] |\n"
              "| [Add]    |\n"
              "+----------+\n");
    const host::Widget* window = widgets().Find(Window());
    EXPECT_GT(window->height, height_before);
    EXPECT_EQ(window->height, widgets().JustSize(Window())[1]) << "the window was not refitted to its rows";

    // The new row works like any other.
    EXPECT_EQ(ClickStore(5).result, 0);
    EXPECT_EQ(StoreStates(), "*.*..*");
    EXPECT_TRUE(widgets().MessageBoxes().empty());
}

// Each rebuild (after Add, after a document load) discards the row frame and its buttons at
// once; the window's end then sends Delete for every widget it made. The host takes one
// late Delete of a widget that went with its frame; a second would be a broken rule.
TEST_F(LucidWindow, EveryRowFrameIsDeletedOnceHoweverOftenTheRowsAreRebuilt) {
    document->AddObject("A");
    StartShown();
    std::vector<int32_t> frames;
    std::set<int32_t> made;
    auto note_rows = [&] {
        frames.push_back(widgets().Find(StoreButton(0))->parent);
        for (int32_t id : widgets().Ids()) made.insert(id);
    };
    note_rows();
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(PressAdd().result, 0);
        note_rows();
    }
    ASSERT_EQ(ClickStore(7).result, 0);
    host::XmlElement element("plugin");
    ASSERT_EQ(Save(&element), 1);
    ASSERT_EQ(Load(&element), 1);
    note_rows();
    ASSERT_EQ(Load(nullptr), 1);
    note_rows();

    ASSERT_EQ(std::set<int32_t>(frames.begin(), frames.end()).size(), frames.size()) << "a frame was reused";
    for (size_t i = 0; i + 1 < frames.size(); ++i) {
        EXPECT_FALSE(widgets().Exists(frames[i])) << "frame " << frames[i] << " outlived its rebuild";
    }
    EXPECT_EQ(StoreButtons().size(), 5u);

    ASSERT_EQ(Exit(), 1);
    std::map<int32_t, int> deletes = DeletesPerId();
    for (int32_t frame : frames) EXPECT_EQ(deletes[frame], 1) << "frame " << frame;
    for (const auto& [id, count] : deletes) EXPECT_EQ(count, 1) << "widget " << id;
    made.erase(widgets().MainWindow());
    EXPECT_EQ(deletes.size(), made.size()) << "a widget the plug-in made got no Delete";
    EXPECT_EQ(widgets().Ids(), std::vector<int32_t>{widgets().MainWindow()});
}

}  // namespace
