// Windows with their frames and buttons, their destruction, message boxes and the host's
// text picture.
#include <algorithm>
#include <memory>

#include "support/widget_fixture.h"

namespace {

class Windows : public WidgetHostTest {
protected:
    // A window made as the plug-in makes its own: a child window of the host's main
    // window, which is wrapped only for the construction.
    std::unique_ptr<LoggingWindow> MakeWindow() {
        MQWindow main = MQWindow::GetMainWindow();
        return std::make_unique<LoggingWindow>(main, &log);
    }
    std::vector<LoggingWindow::Call> log;
};
INSTANTIATE_TEST_SUITE_P(Host, Windows, ::testing::Bool(), ReuseName);

TEST_P(Windows, WindowIsAChildWindowOfTheMainWindowAndHoldsWhatItCreates) {
    auto window = MakeWindow();
    MQFrame* column = window->CreateVerticalFrame(window.get());
    MQFrame* row = window->CreateHorizontalFrame(column);
    MQButton* button = window->CreateButton(row, WIDE("Add"));
    const host::Widget& w = *widgets().Find(window->GetID());
    EXPECT_EQ(w.type, "window");
    EXPECT_EQ(w.owner, widgets().MainWindow());
    EXPECT_EQ(w.children, std::vector<int32_t>{column->GetID()});
    EXPECT_EQ(widgets().Find(column->GetID())->alignment, "vert");
    EXPECT_EQ(widgets().Find(row->GetID())->alignment, "horz");
    EXPECT_EQ(widgets().Find(row->GetID())->parent, column->GetID());
    EXPECT_EQ(widgets().Find(button->GetID())->parent, row->GetID());
    EXPECT_EQ(widgets().Find(button->GetID())->TextUtf8(), "Add");
    EXPECT_EQ(window->CreatedCount(), 3u);
    EXPECT_EQ(MQWidgetBase::FindWidget(button->GetID()), button);
}

TEST_P(Windows, CreatedWidgetTakesItsPropertyBeforeItIsPlaced) {
    auto window = MakeWindow();
    journal().Clear();
    MQButton* button = window->CreateButton(window.get(), platform::WideString());
    MQFrame* loose = window->CreateVerticalFrame(nullptr);
    const std::string b = std::to_string(button->GetID());
    const std::string f = std::to_string(loose->GetID());
    const std::string w = std::to_string(window->GetID());
    EXPECT_EQ(journal().Text(),
              "MQWidget_Value(0, Create 0x101, {type: \"button\", id: out=0})\n"
              "MQWidget_Value(" + b + ", SetValue 0x302, {text: \"\"})\n"
              "MQWidget_Value(" + w + ", AddChild 0x201, {child: " + b + ", result: out=-1})\n"
              "MQWidget_Value(0, Create 0x101, {type: \"frame\", id: out=0})\n"
              "MQWidget_Value(" + f + ", SetValue 0x302, {alignment: \"vert\"})\n");
    EXPECT_EQ(widgets().Find(loose->GetID())->parent, 0);
}

// The window deletes what it created in the order of their addresses, so a frame may go
// before the widgets placed in it, which the host deletes with the frame. Each of them
// still gets its own Delete, which the host takes without complaint (checked on
// tear-down).
TEST_P(Windows, DestroyingAWindowDeletesEachCreatedWidgetOnceThenTheWindow) {
    auto window = MakeWindow();
    std::vector<int32_t> created;
    MQFrame* outer = window->CreateVerticalFrame(window.get());
    created.push_back(outer->GetID());
    for (int row = 0; row < 6; ++row) {
        MQFrame* frame = window->CreateHorizontalFrame(outer);
        created.push_back(frame->GetID());
        for (int column = 0; column < 2; ++column) created.push_back(window->CreateButton(frame, WIDE("S"))->GetID());
    }
    created.push_back(window->CreateButton(window.get(), WIDE("Add"))->GetID());
    const int32_t id = window->GetID();
    journal().Clear();
    window.reset();

    std::vector<int32_t> deleted = DeletedIds();
    ASSERT_EQ(deleted.size(), created.size() + 1);
    EXPECT_EQ(deleted.back(), id) << "the window goes last";
    deleted.pop_back();
    std::sort(deleted.begin(), deleted.end());
    std::sort(created.begin(), created.end());
    EXPECT_EQ(deleted, created) << "one Delete for each created widget";
    EXPECT_EQ(widgets().Ids(), std::vector<int32_t>{widgets().MainWindow()});
}

// A frame discarded through DeleteWidget takes the widgets placed in it along in the host;
// their wrappers stay the window's, and their Delete comes when the window goes.
TEST_P(Windows, DeleteWidgetDeletesAtOnceAndTheWindowDoesNotDeleteAgain) {
    auto window = MakeWindow();
    MQButton stranger;
    MQButton* keep = window->CreateButton(window.get(), WIDE("keep"));
    MQButton* drop = window->CreateButton(window.get(), WIDE("drop"));
    MQFrame* row = window->CreateHorizontalFrame(window.get());
    MQButton* inside = window->CreateButton(row, WIDE("inside"));
    const int32_t dropped = drop->GetID();
    const int32_t row_id = row->GetID();
    const int32_t inside_id = inside->GetID();
    journal().Clear();
    window->DeleteWidget(drop);
    window->DeleteWidget(row);
    EXPECT_EQ(DeletedIds(), (std::vector<int32_t>{dropped, row_id}));
    EXPECT_EQ(MQWidgetBase::FindWidget(dropped), nullptr);
    EXPECT_EQ(MQWidgetBase::FindWidget(row_id), nullptr);
    EXPECT_FALSE(widgets().Exists(inside_id)) << "the host deleted the button with its frame";
    EXPECT_EQ(MQWidgetBase::FindWidget(inside_id), inside);
    EXPECT_EQ(window->CreatedCount(), 2u);

    window->DeleteWidget(&stranger);
    window->DeleteWidget(nullptr);
    EXPECT_EQ(MQWidgetBase::FindWidget(stranger.GetID()), &stranger) << "not the window's to delete";

    std::vector<int32_t> remaining = {keep->GetID(), inside_id};
    const int32_t id = window->GetID();
    journal().Clear();
    window.reset();
    std::vector<int32_t> deleted = DeletedIds();
    ASSERT_EQ(deleted.size(), 3u);
    EXPECT_EQ(deleted.back(), id);
    deleted.pop_back();
    std::sort(deleted.begin(), deleted.end());
    std::sort(remaining.begin(), remaining.end());
    EXPECT_EQ(deleted, remaining) << "neither discarded widget again, the button inside the frame once";
    EXPECT_TRUE(widgets().Exists(stranger.GetID()));
}

TEST_P(Windows, RefusedCreateInAWindowIsOwnedAndDeletedSilently) {
    auto window = MakeWindow();
    widgets().RefuseCreates(1);
    MQButton* lost = window->CreateButton(window.get(), WIDE("lost"));
    EXPECT_EQ(lost->GetID(), 0);
    EXPECT_EQ(window->CreatedCount(), 1u);
    const int32_t id = window->GetID();
    window.reset();
    EXPECT_EQ(DeletedIds(), std::vector<int32_t>{id});
    const std::string w = std::to_string(id);
    EXPECT_EQ(TakeBreaches(), "widget.id-zero MQWidget_Value(0, SetValue 0x302)\n"
                              "widget.id-zero MQWidget_Value(" + w + ", AddChild 0x201)\n");
}

TEST_P(Windows, AddChildWindowOfNothingSendsNothing) {
    auto window = MakeWindow();
    journal().Clear();
    window->AddChildWindow(nullptr);
    EXPECT_TRUE(journal().Calls().empty());
}

TEST_P(Windows, MessageBoxAsksWithItsOptionsAndOnlyTheHostsAnswerCounts) {
    auto window = MakeWindow();
    widgets().QueueAnswer(1);
    widgets().QueueAnswer(2);
    EXPECT_EQ(window->ShowMessageBox(WIDE("Overwrite?"), WIDE("Lucid")), 1);
    EXPECT_EQ(window->ShowMessageBox(WIDE("Append?"), WIDE("Lucid")), 2);
    EXPECT_EQ(window->ShowMessageBox(WIDE("Clear?"), WIDE("Lucid")), 0) << "nobody answered: the preset";
    std::vector<std::string> asked;
    widgets().SetAnswerer([&](const host::MessageBoxRequest& box) -> std::optional<int32_t> {
        asked.push_back(box.message);
        return 1;
    });
    widgets().QueueAnswer(0);
    EXPECT_EQ(window->ShowMessageBox(WIDE("queued"), WIDE("Lucid")), 0) << "the queue comes first";
    EXPECT_EQ(window->ShowMessageBox(WIDE("\u00c4ndern?"), WIDE("Lucid")), 1);
    EXPECT_EQ(asked, std::vector<std::string>{"\xC3\x84ndern?"});

    const std::vector<host::MessageBoxRequest>& boxes = widgets().MessageBoxes();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0].type, "messagebox");
    EXPECT_EQ(boxes[0].messagetype, "okcancel");
    EXPECT_EQ(boxes[0].parent, window->GetID());
    EXPECT_EQ(boxes[0].message, "Overwrite?");
    EXPECT_EQ(boxes[0].title, "Lucid");
    EXPECT_EQ(boxes[0].answer, 1);
    EXPECT_EQ(boxes[2].answer, std::nullopt);
    EXPECT_EQ(Requests("MessageBox").front().Text(),
              "MQWidget_Value(0, MessageBox 0x001, {type: \"messagebox\", messagetype: \"okcancel\", parent: " +
                  std::to_string(window->GetID()) + ", message: \"Overwrite?\", title: \"Lucid\", result: out=0})");
}

TEST_P(Windows, PositionsRoundTripAndJustSizeFollowsTheContent) {
    auto window = MakeWindow();
    window->SetPosX(340);
    window->SetPosY(-12);
    EXPECT_EQ(window->GetPosX(), 340);
    EXPECT_EQ(window->GetPosY(), -12);
    std::array<int32_t, 4> empty = window->GetJustSize();
    MQFrame* rows = window->CreateHorizontalFrame(window.get());
    rows->SetMatrixColumn(2);
    for (int i = 0; i < 4; ++i) window->CreateButton(rows, WIDE("S"));
    std::array<int32_t, 4> two_rows = window->GetJustSize();
    window->CreateButton(rows, WIDE("S"));
    std::array<int32_t, 4> three_rows = window->GetJustSize();
    EXPECT_EQ(three_rows, widgets().JustSize(window->GetID()));
    EXPECT_GT(two_rows[0], empty[0]);
    EXPECT_GT(three_rows[1], two_rows[1]) << "a third row adds height";
    EXPECT_EQ(three_rows[0], two_rows[0]) << "two columns keep the width";
}

// With reused ids, widgets made after a frame was deleted take the ids of the frame and of
// the buttons that went with it, while the window still holds those buttons' wrappers.
// The new widgets' events reach their own handlers, and the window deletes only widgets
// it made: not the one another wrapper now holds under an old button's id.
TEST_P(Windows, WidgetsThatTakeTheIdsOfADeletedFramesContentsAreTheirOwn) {
    auto window = MakeWindow();
    window->SetVisible(true);
    MQFrame* frame = window->CreateHorizontalFrame(window.get());
    MQButton* old_first = window->CreateButton(frame, WIDE("old"));
    MQButton* old_second = window->CreateButton(frame, WIDE("old"));
    const std::vector<int32_t> freed = {frame->GetID(), old_first->GetID(), old_second->GetID()};
    old_first->AddEventHandler("execute", window->EventClosure());
    old_second->AddEventHandler("execute", window->EventClosure());
    window->DeleteWidget(frame);

    MQButton* fresh = window->CreateButton(window.get(), WIDE("new"));
    MQButton stranger;
    MQButton* second = window->CreateButton(window.get(), WIDE("new"));
    if (ReusesIds()) {
        ASSERT_EQ((std::vector<int32_t>{fresh->GetID(), stranger.GetID(), second->GetID()}), freed);
        EXPECT_EQ(old_first->GetID(), 0) << "gave up the id the stranger took";
        EXPECT_EQ(old_second->GetID(), 0);
    }
    fresh->AddEventHandler("execute", window->EventClosure());
    second->AddEventHandler("execute", window->EventClosure());
    window->answer = 4;
    for (MQButton* button : {fresh, second}) {
        host::EventOutcome outcome = widgets().Press(button->GetID(), nullptr);
        EXPECT_EQ(outcome.deliveries, 1);
        EXPECT_EQ(outcome.result, 4);
    }
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].sender, fresh);
    EXPECT_EQ(log[1].sender, second);

    std::vector<int32_t> expected = {fresh->GetID(), second->GetID()};
    if (!ReusesIds()) expected.insert(expected.end(), {freed[1], freed[2]});
    const int32_t id = window->GetID();
    journal().Clear();
    window.reset();
    std::vector<int32_t> deleted = DeletedIds();
    ASSERT_FALSE(deleted.empty());
    EXPECT_EQ(deleted.back(), id);
    deleted.pop_back();
    std::sort(deleted.begin(), deleted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(deleted, expected);
    EXPECT_TRUE(widgets().Exists(stranger.GetID())) << "the window deleted a widget it did not make";
    EXPECT_EQ(MQWidgetBase::FindWidget(stranger.GetID()), &stranger);
}

// A host that destroys a widget on its own and reuses its id: the create that gets the id
// back finds the old wrapper still registered under it and takes its place.
TEST_P(Windows, WrapperOfAWidgetTheHostDestroyedGivesUpTheIdWhenItIsHandedOut) {
    auto window = MakeWindow();
    window->SetVisible(true);
    MQButton* old_button = window->CreateButton(window.get(), WIDE("old"));
    const int32_t old_id = old_button->GetID();
    host::OptionList none;
    widgets().Handle(old_id, MQWIDGET_DELETE, none.Array());
    old_button->AddEventHandler("execute", window->EventClosure());
    EXPECT_EQ(TakeBreaches(), "widget.deleted MQWidget_Value(" + std::to_string(old_id) + ", AddEvent 0x304)\n");

    MQButton* fresh = window->CreateButton(window.get(), WIDE("new"));
    ASSERT_EQ(fresh->GetID() == old_id, ReusesIds());
    EXPECT_EQ(MQWidgetBase::FindWidget(fresh->GetID()), fresh);
    EXPECT_EQ(old_button->GetID(), ReusesIds() ? 0 : old_id);
    fresh->AddEventHandler("execute", window->EventClosure());
    window->answer = 6;
    EXPECT_EQ(widgets().Press(fresh->GetID(), nullptr).result, 6);
    EXPECT_EQ(log.size(), 1u);

    const int32_t fresh_id = fresh->GetID();
    journal().Clear();
    window.reset();
    std::vector<int32_t> deleted = DeletedIds();
    EXPECT_EQ(std::count(deleted.begin(), deleted.end(), fresh_id), 1) << "the new button is deleted once";
    if (!ReusesIds()) {
        // The old wrapper still names its id, which no widget holds any more.
        EXPECT_EQ(TakeBreaches(), "widget.deleted-twice MQWidget_Value(" + std::to_string(old_id) + ", Delete 0x102)\n");
    }
}

TEST_P(Windows, PictureShowsTitleRowsAndPressedButtons) {
    auto window = MakeWindow();
    window->SetTitle(WIDE("Lucid"));
    MQFrame* container = window->CreateVerticalFrame(window.get());
    MQFrame* rows = window->CreateHorizontalFrame(container);
    rows->SetMatrixColumn(2);
    std::vector<MQButton*> buttons;
    for (const platform::WideChar* text : {WIDE("S"), WIDE("R"), WIDE("S"), WIDE("R")}) {
        buttons.push_back(window->CreateButton(rows, text));
    }
    buttons[0]->SetDown(true);
    window->CreateButton(window.get(), WIDE("Add"));
    const std::string hidden = widgets().Picture(window->GetID());
    window->SetVisible(true);
    EXPECT_EQ(widgets().Picture(window->GetID()),
              "+- Lucid --+\n"
              "| [S*] [R] |\n"
              "| [S]  [R] |\n"
              "| [Add]    |\n"
              "+----------+\n");
    EXPECT_EQ(hidden.substr(0, hidden.find('\n')), "+- Lucid (hidden) -+");
    buttons[2]->SetVisible(false);
    EXPECT_EQ(widgets().Pictures(),
              "+- Lucid --+\n"
              "| [S*] [R] |\n"
              "| [R]      |\n"
              "| [Add]    |\n"
              "+----------+\n") << "a hidden button takes no place; other windows are not drawn";
}

}  // namespace
