// Widget identity, the registry and the property requests, through the stand-in host.
#include <memory>
#include <string>
#include <vector>

#include "support/widget_fixture.h"
#include "platform/options.h"

namespace {

class WidgetIdentity : public WidgetHostTest {};
INSTANTIATE_TEST_SUITE_P(Host, WidgetIdentity, ::testing::Bool(), ReuseName);

TEST_P(WidgetIdentity, CreatedWidgetIsRegisteredOwnedAndDeletedOnceAtDestruction) {
    int32_t id = 0;
    {
        MQButton button;
        id = button.GetID();
        ASSERT_NE(id, 0);
        EXPECT_EQ(MQWidgetBase::FindWidget(id), &button);
        ASSERT_TRUE(widgets().Exists(id));
        EXPECT_EQ(widgets().Find(id)->type, "button");
        EXPECT_TRUE(DeletedIds().empty());
    }
    EXPECT_EQ(MQWidgetBase::FindWidget(id), nullptr);
    EXPECT_FALSE(widgets().Exists(id));
    EXPECT_EQ(DeletedIds(), std::vector<int32_t>{id});
    EXPECT_EQ(journal().Of("MQWidget_Value").front().Text(),
              "MQWidget_Value(0, Create 0x101, {type: \"button\", id: out=0})");
}

TEST_P(WidgetIdentity, SecondWrapperOfAnIdIsNotRegisteredAndEitherDestructionDropsTheEntry) {
    MQWindow first = MQWindow::GetMainWindow();
    const int32_t main = widgets().MainWindow();
    ASSERT_EQ(first.GetID(), main);
    {
        MQWindow second = MQWindow::GetMainWindow();
        EXPECT_EQ(second.GetID(), main);
        EXPECT_EQ(MQWidgetBase::FindWidget(main), &first);
    }
    EXPECT_EQ(MQWidgetBase::FindWidget(main), nullptr) << "the entry goes with either wrapper";
    EXPECT_EQ(first.GetID(), main);
    EXPECT_TRUE(DeletedIds().empty()) << "the main window is the host's";
    EXPECT_TRUE(widgets().Exists(main));
}

TEST_P(WidgetIdentity, MainWindowOfASilentHostIsWrappedUnderMinusOneAndNeverDeleted) {
    widgets().SetAnswersMainWindow(false);
    {
        MQWindow main = MQWindow::GetMainWindow();
        EXPECT_EQ(main.GetID(), -1);
        EXPECT_EQ(MQWidgetBase::FindWidget(-1), &main);
    }
    EXPECT_EQ(MQWidgetBase::FindWidget(-1), nullptr);
    EXPECT_TRUE(DeletedIds().empty());
}

TEST_P(WidgetIdentity, RefusedCreateLeavesAnUnregisteredWrapperThatSendsItsRequestsToIdZero) {
    widgets().RefuseCreates(1);
    {
        MQButton button;
        EXPECT_EQ(button.GetID(), 0);
        EXPECT_EQ(MQWidgetBase::RegisteredWidgetCount(), 0u);
        button.SetDown(true);
        EXPECT_FALSE(button.GetDown()) << "the preset stands when the host answers nothing";
    }
    EXPECT_TRUE(DeletedIds().empty());
    EXPECT_EQ(TakeBreaches(),
              "widget.id-zero MQWidget_Value(0, SetValue 0x302)\n"
              "widget.id-zero MQWidget_Value(0, GetValue 0x301)\n");
}

TEST_P(WidgetIdentity, GetsTheHostDoesNotAnswerYieldTheirPresets) {
    MQWindow main = MQWindow::GetMainWindow();
    widgets().RefuseCreates(1);
    MQWindow lost(main);
    EXPECT_EQ(lost.GetPosX(), 0);
    EXPECT_EQ(lost.GetPosY(), 0);
    EXPECT_EQ(lost.GetJustSize(), (std::array<int32_t, 4>{0, 0, -1, -1}));
    MQWindow window(main);
    EXPECT_NE(window.GetPosX(), 0) << "a live window has the host's placement";
    EXPECT_EQ(window.GetJustSize(), widgets().JustSize(window.GetID()));
    EXPECT_NE(TakeBreaches(), "");
}

TEST_P(WidgetIdentity, AddChildAnswersTheHostsResultAndMinusOneWithoutOne) {
    MQFrame frame;
    MQButton first, second;
    EXPECT_EQ(frame.AddChild(nullptr), -1);
    EXPECT_TRUE(Requests("AddChild").empty()) << "a null child sends nothing";
    EXPECT_EQ(frame.AddChild(&first), 0);
    EXPECT_EQ(frame.AddChild(&second), 1);
    EXPECT_EQ(widgets().Find(frame.GetID())->children, (std::vector<int32_t>{first.GetID(), second.GetID()}));
    EXPECT_EQ(first.AddChild(&frame), -1) << "refused: the host writes no result";
    EXPECT_EQ(TakeBreaches(), "widget.not-a-container MQWidget_Value(" + std::to_string(first.GetID()) +
                                  ", AddChild 0x201)\n");

    frame.RemoveChild(&first);
    frame.RemoveChild(nullptr);
    EXPECT_EQ(widgets().Find(frame.GetID())->children, std::vector<int32_t>{second.GetID()});
    EXPECT_EQ(widgets().Find(first.GetID())->parent, 0);
    EXPECT_EQ(MQWidgetBase::FindWidget(first.GetID()), &first) << "the child's wrapper is untouched";
    EXPECT_EQ(Requests("RemoveChild").size(), 1u);
}

TEST_P(WidgetIdentity, PropertiesTravelAsTheirTypesAndWideTextsArriveIntact) {
    MQWindow main = MQWindow::GetMainWindow();
    MQWindow window(main);
    MQButton button;
    const platform::WideString text = WIDE("\u00dcberschreiben? \u2713");
    button.SetText(text);
    button.SetDown(true);
    button.SetInSpace(1.5);
    button.SetOutSpace(2.25);
    button.SetVisible(false);
    window.SetTitle(WIDE("Lucid"));
    window.SetCloseButton(false);
    window.SetCanResize(false);
    window.SetPosX(-30);
    window.SetPosY(45);
    window.SetWidth(120);
    window.SetHeight(90);

    const host::Widget& b = *widgets().Find(button.GetID());
    EXPECT_EQ(b.text, text);
    EXPECT_EQ(b.TextUtf8(), "\xC3\x9C" "berschreiben? \xE2\x9C\x93");
    EXPECT_TRUE(b.down);
    EXPECT_TRUE(button.GetDown());
    EXPECT_EQ(b.inspace, 1.5);
    EXPECT_EQ(b.outspace, 2.25);
    EXPECT_FALSE(b.visible);
    const host::Widget& w = *widgets().Find(window.GetID());
    EXPECT_EQ(w.TitleUtf8(), "Lucid");
    EXPECT_FALSE(w.closebutton);
    EXPECT_FALSE(w.canresize);
    EXPECT_EQ(window.GetPosX(), -30);
    EXPECT_EQ(window.GetPosY(), 45);
    EXPECT_EQ(w.width, 120);
    EXPECT_EQ(w.height, 90);
    EXPECT_EQ(Requests("SetValue").front().args[2], "{text: \"\xC3\x9C" "berschreiben? \xE2\x9C\x93\"}");
    EXPECT_EQ(Requests("GetValue").front().args[2], "{down: out=false}");
}

TEST_P(WidgetIdentity, AddEventHandlerRegistersTheProcedureAndKeepsTheClosure) {
    MQWindow main = MQWindow::GetMainWindow();
    std::vector<LoggingWindow::Call> log;
    LoggingWindow window(main, &log);
    auto closure = window.EventClosure();
    window.AddEventHandler("hide", closure);
    EXPECT_EQ(closure.use_count(), 2) << "the widget holds the closure";
    const auto& events = widgets().Find(window.GetID())->events;
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, "hide");
    EXPECT_EQ(events[0].proc, &WidgetEventProc);
    EXPECT_EQ(events[0].pointer, closure.get());
    EXPECT_FALSE(events[0].prior);
    EXPECT_EQ(window.FindHandler(closure.get()), closure);
}

// The stand-in host itself: ids, deletion and the rules it checks.
class StandInWidgets : public WidgetHostTest {
protected:
    static int32_t Create(const char* type) {
        host::OptionList options;
        options.Text("type", type).Int("id", 0);
        widgets().Handle(0, MQWIDGET_CREATE, options.Array());
        return *options.IntOf("id");
    }
    static void Send(int32_t widget, int32_t op, host::OptionList& options) {
        widgets().Handle(widget, op, options.Array());
    }
};
INSTANTIATE_TEST_SUITE_P(Host, StandInWidgets, ::testing::Bool(), ReuseName);

TEST_P(StandInWidgets, DeletingAWidgetDeletesItsContentsAndTakesOneLateDeleteForEach) {
    int32_t frame = Create("frame");
    int32_t inner = Create("frame");
    int32_t button = Create("button");
    host::OptionList place_inner, place_button;
    place_inner.Int("child", inner).Int("result", -1);
    place_button.Int("child", button).Int("result", -1);
    Send(frame, MQWIDGET_ADD_CHILD, place_inner);
    Send(inner, MQWIDGET_ADD_CHILD, place_button);
    host::OptionList none;
    Send(frame, MQWIDGET_DELETE, none);
    EXPECT_FALSE(widgets().Exists(frame));
    EXPECT_FALSE(widgets().Exists(inner));
    EXPECT_FALSE(widgets().Exists(button));
    EXPECT_EQ(Create("button"), ReusesIds() ? frame : button + 1);

    // A plug-in deleting each widget it made names the ones that went with their frame: the
    // first such Delete does nothing; a second one, or one for a widget the plug-in deleted
    // itself, is a broken rule.
    host::OptionList title;
    title.Wide("title", WIDE("x"));
    Send(button, MQWIDGET_SET_VALUE, title);
    Send(button, MQWIDGET_DELETE, none);
    Send(inner, MQWIDGET_DELETE, none);
    EXPECT_FALSE(widgets().Exists(button));
    Send(button, MQWIDGET_DELETE, none);
    if (!ReusesIds()) Send(frame, MQWIDGET_DELETE, none);
    const std::string b = std::to_string(button);
    const std::string f = std::to_string(frame);
    EXPECT_EQ(TakeBreaches(),
              "widget.deleted-with-parent MQWidget_Value(" + b + ", SetValue 0x302)\n"
              "widget.deleted-twice MQWidget_Value(" + b + ", Delete 0x102)\n" +
              (ReusesIds() ? "" : "widget.deleted-twice MQWidget_Value(" + f + ", Delete 0x102)\n"));
}

TEST_P(StandInWidgets, MisbehaviourIsReportedByCallAndRuleAndChangesNothing) {
    const int32_t main = widgets().MainWindow();
    int32_t button = Create("button");
    host::OptionList none, two_keys, title, remove, unknown;
    Send(main, MQWIDGET_DELETE, none);
    Send(99, MQWIDGET_DELETE, none);
    two_keys.Bool("down", true).Bool("visible", true);
    Send(button, MQWIDGET_SET_VALUE, two_keys);
    title.Wide("title", WIDE("x"));
    Send(button, MQWIDGET_SET_VALUE, title);
    remove.Int("child", button);
    Send(main, MQWIDGET_REMOVE_CHILD, remove);
    unknown.Text("type", "slider").Int("id", 0);
    Send(0, MQWIDGET_CREATE, unknown);
    Send(button, 0x999, none);
    const std::string b = std::to_string(button);
    EXPECT_EQ(TakeBreaches(),
              "widget.main-window-deleted MQWidget_Value(1, Delete 0x102)\n"
              "widget.unknown-id MQWidget_Value(99, Delete 0x102)\n"
              "widget.not-one-key MQWidget_Value(" + b + ", SetValue 0x302)\n"
              "widget.property-of-other-type MQWidget_Value(" + b + ", SetValue 0x302)\n"
              "widget.not-placed-there MQWidget_Value(1, RemoveChild 0x202)\n"
              "widget.unknown-type MQWidget_Value(0, Create 0x101)\n"
              "widget.unknown-op MQWidget_Value(" + b + ", unknown 0x999)\n");
    EXPECT_TRUE(widgets().Exists(main));
    EXPECT_FALSE(widgets().Find(button)->down);
    EXPECT_EQ(*unknown.IntOf("id"), 0);
    EXPECT_EQ(widgets().Ids(), (std::vector<int32_t>{main, button}));
    Send(button, MQWIDGET_DELETE, none);
}

// The host's nested loop: what a test queues for the next box happens while it is open,
// before it answers; a box opened meanwhile is answered first.
TEST_P(StandInWidgets, AMessageBoxRunsTheActionsQueuedForItAndThenAnswers) {
    auto ask = [](const platform::WideChar* message) {
        host::OptionList box;
        box.Text(MQWIDGET_KEY_TYPE, MQBOX_TYPE).Text(MQBOX_KEY_MESSAGE_TYPE, MQBOX_OKCANCEL);
        box.Int(MQWIDGET_KEY_PARENT, widgets().MainWindow()).Wide(MQBOX_KEY_MESSAGE, message).Int(MQWIDGET_KEY_RESULT, 0);
        widgets().Handle(0, MQWIDGET_MESSAGEBOX, box.Array());
        return *box.IntOf(MQWIDGET_KEY_RESULT);
    };
    std::vector<std::string> seen;
    widgets().QueueAnswer(MQBOX_OK);
    widgets().QueueAnswer(MQBOX_CANCEL);
    widgets().WhileNextBoxOpen([&] { seen.push_back(std::to_string(widgets().MessageBoxes().size()) + " open"); });
    widgets().WhileNextBoxOpen([&] { seen.push_back("inner: " + std::to_string(ask(WIDE("inner")))); });
    EXPECT_EQ(ask(WIDE("outer")), MQBOX_CANCEL);
    EXPECT_EQ(seen, (std::vector<std::string>{"1 open", "inner: 1"}));
    ASSERT_EQ(widgets().MessageBoxes().size(), 2u);
    EXPECT_EQ(widgets().MessageBoxes()[0].message, "outer");
    EXPECT_EQ(widgets().MessageBoxes()[0].answer, MQBOX_CANCEL);
    EXPECT_EQ(widgets().MessageBoxes()[1].answer, MQBOX_OK);
    EXPECT_EQ(ask(WIDE("later")), 0) << "nothing queued: no answer, and nothing happens";
    EXPECT_EQ(seen.size(), 2u);
}

struct RaisedEvents {
    std::vector<std::string> log;
    bool returned = false;
};

int32_t LogRaisedEvent(void*, void* options, void* pointer) {
    auto* raised = static_cast<RaisedEvents*>(pointer);
    const void* type = platform::FindOptionValue(static_cast<const MQOption*>(options), MQEVT_KEY_TYPE);
    raised->log.push_back(static_cast<const char*>(type) + std::string(raised->returned ? " after" : " inside"));
    return 0;
}

TEST_P(StandInWidgets, AnEventArmedForARequestIsRaisedOnceFromInsideIt) {
    int32_t button = Create(MQWIDGET_TYPE_BUTTON);
    RaisedEvents raised;
    host::OptionList handler;
    handler.Text(MQWIDGET_KEY_TYPE, MQEVT_EXECUTE).Pointer(MQWIDGET_KEY_PROC, reinterpret_cast<void*>(&LogRaisedEvent));
    handler.Pointer(MQWIDGET_KEY_POINTER, &raised);
    Send(button, MQWIDGET_ADD_EVENT, handler);
    widgets().RaiseInside({MQWIDGET_SET_VALUE, MQKEY_DOWN, button, MQEVT_EXECUTE});
    host::OptionList text, down, again;
    text.Wide(MQKEY_TEXT, WIDE("OK"));
    Send(button, MQWIDGET_SET_VALUE, text);
    EXPECT_TRUE(raised.log.empty()) << "another key";
    down.Bool(MQKEY_DOWN, true);
    Send(button, MQWIDGET_SET_VALUE, down);
    raised.returned = true;
    again.Bool(MQKEY_DOWN, false);
    Send(button, MQWIDGET_SET_VALUE, again);
    EXPECT_EQ(raised.log, std::vector<std::string>{"execute inside"});
    EXPECT_FALSE(widgets().Find(button)->down);
    host::OptionList none;
    Send(button, MQWIDGET_DELETE, none);
}

}  // namespace
