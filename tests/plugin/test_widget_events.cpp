// Widget events: what the host's gestures and hand-made events reach, and the records the
// handlers receive.
#include <climits>
#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>

#include "support/widget_fixture.h"

namespace {

// A closure that runs a function with the raw arguments, as a key or paint handler's
// closure would receive them.
class FunctionClosure final : public MQWidgetEventClosureBase {
public:
    using Body = std::function<int32_t(MQWidgetBase*, MQDocument, void*)>;
    explicit FunctionClosure(Body body) : body_(std::move(body)) {}
    int32_t Invoke(MQWidgetBase* sender, MQDocument document, void* record) override {
        return body_(sender, document, record);
    }
    bool Equals(const MQWidgetEventClosureBase& other) const override { return &other == this; }
    void* GetOwner() const override { return nullptr; }

private:
    Body body_;
};

// A shown window with one button in it.
class WidgetEvents : public WidgetHostTest {
protected:
    void SetUp() override {
        WidgetHostTest::SetUp();
        MQWindow main = MQWindow::GetMainWindow();
        window = std::make_unique<LoggingWindow>(main, &log);
        window->SetVisible(true);
        button = window->CreateButton(window.get(), WIDE("S"));
    }
    void TearDown() override {
        window.reset();
        WidgetHostTest::TearDown();
    }

    // An event built by hand for the button, as the host would send it.
    host::OptionList EventFor(const char* type) {
        host::OptionList options;
        options.Text("type", type).Int("target_id", button->GetID()).Int("sender_id", button->GetID());
        return options;
    }

    int document_storage = 0;
    MQDocument document = &document_storage;
    std::vector<LoggingWindow::Call> log;
    std::unique_ptr<LoggingWindow> window;
    MQButton* button = nullptr;
};
INSTANTIATE_TEST_SUITE_P(Host, WidgetEvents, ::testing::Bool(), ReuseName);

TEST_P(WidgetEvents, LeftClickWithModifiersReachesTheHandlerWithSenderAndDocument) {
    button->AddEventHandler("leftdown", window->MouseClosure());
    window->answer = 7;
    host::EventOutcome outcome =
        widgets().MouseDown(button->GetID(), host::MouseButton::Left, {.shift = true, .ctrl = true}, document);
    EXPECT_EQ(outcome.refused, "");
    EXPECT_EQ(outcome.deliveries, 1);
    EXPECT_EQ(outcome.result, 7);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].handler, "mouse");
    EXPECT_EQ(log[0].sender, button);
    EXPECT_EQ(log[0].document, document);
    EXPECT_TRUE(log[0].mouse.LButton);
    EXPECT_TRUE(log[0].mouse.Shift);
    EXPECT_TRUE(log[0].mouse.Ctrl);
    EXPECT_FALSE(log[0].mouse.RButton || log[0].mouse.MButton || log[0].mouse.Flag20);
}

TEST_P(WidgetEvents, ButtonStateBitsBecomeTheSixFlags) {
    button->AddEventHandler("leftdown", window->MouseClosure());
    struct Case {
        int32_t state;
        bool l, m, r, shift, ctrl, flag20;
    };
    const Case cases[] = {
        {0x0C, false, false, false, true, true, false}, {0x10, false, true, false, false, false, false},
        {0x01, true, false, false, false, false, false}, {0x02, false, false, true, false, false, false},
        {0x20, false, false, false, false, false, true}, {0x40, false, false, false, false, false, false},
        {-1, true, true, true, true, true, true},
    };
    for (const Case& c : cases) {
        log.clear();
        host::OptionList options = EventFor("leftdown");
        options.Int("button_state", c.state);
        widgets().SendEvent(button->GetID(), "leftdown", options, document);
        ASSERT_EQ(log.size(), 1u);
        const WidgetMouseRecord& m = log[0].mouse;
        EXPECT_EQ((std::vector<bool>{m.LButton, m.MButton, m.RButton, m.Shift, m.Ctrl, m.Flag20}),
                  (std::vector<bool>{c.l, c.m, c.r, c.shift, c.ctrl, c.flag20}))
            << "button_state " << c.state;
    }
}

TEST_P(WidgetEvents, MouseFieldsComeFromTheirKeysAndMissingOrNullOnesAreZero) {
    button->AddEventHandler("mousewheel", window->MouseClosure());
    host::OptionList full = EventFor("mousewheel");
    full.Int("client_x", 1).Int("client_y", 2).Int("screen_x", 3).Int("screen_y", 4).Int("down_x", 5);
    full.Int("down_y", 6).Int("last_x", 7).Int("last_y", 8).Int("wheel_delta", -120);
    widgets().SendEvent(button->GetID(), "mousewheel", full, document);
    host::OptionList bare = EventFor("mousewheel");
    bare.Null("wheel_delta");
    widgets().SendEvent(button->GetID(), "mousewheel", bare, document);
    ASSERT_EQ(log.size(), 2u);
    const WidgetMouseRecord& m = log[0].mouse;
    EXPECT_EQ((std::vector<int32_t>{m.client_x, m.client_y, m.screen_x, m.screen_y, m.down_x, m.down_y, m.last_x,
                                    m.last_y, m.wheel_delta}),
              (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, -120}));
    EXPECT_EQ(log[1].mouse.wheel_delta, 0);
    EXPECT_EQ(log[1].mouse.client_x, 0);
}

TEST_P(WidgetEvents, KeyRecordReadsKeyAutoRepeatAndFlags) {
    std::vector<WidgetKeyRecord> keys;
    button->AddEventHandler("keyup", std::make_shared<FunctionClosure>([&](MQWidgetBase*, MQDocument, void* record) {
        keys.push_back(*static_cast<WidgetKeyRecord*>(record));
        return 0;
    }));
    for (int32_t repeat : {0, 3}) {
        host::OptionList options = EventFor("keyup");
        options.Int("key", 65).Int("auto_repeat", repeat).Int("button_state", 0x08);
        widgets().SendEvent(button->GetID(), "keyup", options, document);
    }
    host::OptionList bare = EventFor("keyup");
    widgets().SendEvent(button->GetID(), "keyup", bare, document);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].key, 65);
    EXPECT_FALSE(keys[0].auto_repeat);
    EXPECT_TRUE(keys[0].Ctrl);
    EXPECT_FALSE(keys[0].Shift);
    EXPECT_TRUE(keys[1].auto_repeat);
    EXPECT_EQ(keys[2].key, 0);
    EXPECT_FALSE(keys[2].auto_repeat);
}

TEST_P(WidgetEvents, PaintMakesACanvasForTheEventAndAHandlerMayKeepIt) {
    std::vector<void*> handles;
    std::unique_ptr<MQCanvas> kept;
    button->AddEventHandler("paint", std::make_shared<FunctionClosure>([&](MQWidgetBase*, MQDocument, void* record) {
        auto* paint = static_cast<WidgetPaintRecord*>(record);
        if (paint->canvas == nullptr) return -1;
        handles.push_back(paint->canvas->GetHandle());
        if (handles.size() == 3) kept.reset(std::exchange(paint->canvas, nullptr));
        return 5;
    }));
    int host_canvas = 0;
    host::OptionList without = EventFor("paint");
    host::OptionList with = EventFor("paint");
    with.Pointer("canvas", &host_canvas);
    EXPECT_EQ(widgets().SendEvent(button->GetID(), "paint", without, document).result, 5);
    EXPECT_EQ(widgets().SendEvent(button->GetID(), "paint", with, document).result, 5);
    EXPECT_EQ(widgets().SendEvent(button->GetID(), "paint", with, document).result, 5);
    EXPECT_EQ(handles, (std::vector<void*>{nullptr, &host_canvas, &host_canvas}));
    ASSERT_NE(kept, nullptr) << "the handler took the third canvas; the sanitizers catch a second delete";
    EXPECT_EQ(kept->GetHandle(), &host_canvas);
}

TEST_P(WidgetEvents, EventsOutsideTheMouseKeyAndPaintNamesPassNoRecord) {
    std::vector<std::string> seen;
    auto closure = std::make_shared<FunctionClosure>([&](MQWidgetBase*, MQDocument, void* record) {
        seen.push_back(record == nullptr ? "null" : "record");
        return 0;
    });
    for (const char* type : {"execute", "hide", "leftdownx", "LEFTDOWN"}) button->AddEventHandler(type, closure);
    EXPECT_EQ(widgets().Press(button->GetID(), document).deliveries, 1);
    for (const char* type : {"hide", "leftdownx", "LEFTDOWN"}) {
        host::OptionList options = EventFor(type);
        widgets().SendEvent(button->GetID(), type, options, document);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"null", "null", "null", "null"}));
}

TEST_P(WidgetEvents, EventWithoutATypeCallsNothing) {
    auto closure = window->EventClosure();
    button->AddEventHandler("execute", closure);
    window->answer = 9;
    host::OptionList untyped;
    untyped.Int("target_id", button->GetID()).Int("sender_id", button->GetID());
    host::OptionList null_type;
    null_type.Null("type").Int("target_id", button->GetID());
    EXPECT_EQ(widgets().SendEvent(button->GetID(), "execute", untyped, document).result, 0);
    EXPECT_EQ(widgets().SendEvent(button->GetID(), "execute", null_type, document).result, 0);
    EXPECT_EQ(WidgetEventProc(document, nullptr, closure.get()), 0);
    EXPECT_TRUE(log.empty());
}

TEST_P(WidgetEvents, TargetMustBeRegisteredAndHoldTheClosure) {
    auto mine = window->EventClosure();
    auto other = window->EventClosure();
    button->AddEventHandler("execute", mine);
    MQButton* second = window->CreateButton(window.get(), WIDE("R"));
    second->AddEventHandler("execute", other);
    window->answer = 9;

    host::OptionList unregistered;
    unregistered.Text("type", "execute").Int("target_id", 4242).Int("sender_id", button->GetID());
    EXPECT_EQ(WidgetEventProc(document, unregistered.Array(), mine.get()), 0);
    host::OptionList untargeted;
    untargeted.Text("type", "execute").Int("sender_id", button->GetID());
    EXPECT_EQ(WidgetEventProc(document, untargeted.Array(), mine.get()), 0);
    host::OptionList options = EventFor("execute");
    EXPECT_EQ(WidgetEventProc(document, options.Array(), other.get()), 0) << "a closure of another widget";
    EXPECT_EQ(WidgetEventProc(document, options.Array(), nullptr), 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(WidgetEventProc(document, options.Array(), mine.get()), 9);
    EXPECT_EQ(log.size(), 1u);
}

TEST_P(WidgetEvents, MissingOrUnknownSenderReachesTheHandlerAsNull) {
    button->AddEventHandler("execute", window->EventClosure());
    host::OptionList missing;
    missing.Text("type", "execute").Int("target_id", button->GetID());
    host::OptionList unknown;
    unknown.Text("type", "execute").Int("target_id", button->GetID()).Int("sender_id", 4242);
    host::OptionList from_window;
    from_window.Text("type", "execute").Int("target_id", button->GetID()).Int("sender_id", window->GetID());
    for (host::OptionList* options : {&missing, &unknown, &from_window}) {
        widgets().SendEvent(button->GetID(), "execute", *options, document);
    }
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].sender, nullptr);
    EXPECT_EQ(log[1].sender, nullptr);
    EXPECT_EQ(log[2].sender, window.get());
}

TEST_P(WidgetEvents, HandlerResultComesBackUnchanged) {
    button->AddEventHandler("execute", window->EventClosure());
    for (int32_t answer : {1, 0, -5, INT32_MAX, INT32_MIN}) {
        window->answer = answer;
        EXPECT_EQ(widgets().Press(button->GetID(), document).result, answer);
    }
}

TEST_P(WidgetEvents, OnlyTheEventOfTheGestureReachesAHandlerAndHiddenWidgetsTakeNone) {
    button->AddEventHandler("leftdown", window->MouseClosure());
    EXPECT_EQ(widgets().MouseDown(button->GetID(), host::MouseButton::Right, {}, document).deliveries, 0);
    EXPECT_EQ(widgets().MouseDown(button->GetID(), host::MouseButton::Middle, {}, document).deliveries, 0);
    EXPECT_TRUE(log.empty());
    button->AddEventHandler("rightdown", window->MouseClosure());
    EXPECT_EQ(widgets().MouseDown(button->GetID(), host::MouseButton::Right, {}, document).deliveries, 1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].mouse.RButton);
    EXPECT_FALSE(log[0].mouse.LButton);

    window->SetVisible(false);
    host::EventOutcome hidden = widgets().MouseDown(button->GetID(), host::MouseButton::Left, {}, document);
    EXPECT_EQ(hidden.refused, "widget " + std::to_string(button->GetID()) + " is not shown");
    EXPECT_EQ(log.size(), 1u);
}

TEST_P(WidgetEvents, ClosingOrHidingAShownWindowSendsHideOnce) {
    window->AddEventHandler("hide", window->EventClosure());
    host::EventOutcome closed = widgets().CloseWindow(window->GetID(), document);
    EXPECT_EQ(closed.deliveries, 1);
    EXPECT_FALSE(widgets().Find(window->GetID())->visible);
    EXPECT_NE(widgets().CloseWindow(window->GetID(), document).refused, "") << "already hidden";
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].sender, window.get());
    EXPECT_EQ(log[0].document, document);

    window->SetVisible(false);
    EXPECT_EQ(log.size(), 1u) << "hiding a hidden window raises nothing";
    widgets().SetEventDocument(document);
    window->SetVisible(true);
    window->SetVisible(false);
    EXPECT_EQ(log.size(), 2u);
}

// The owner of a closure dies while the widget holding the closure lives on; with reused
// ids a new window takes the owner's id, and the closure must not call through to it.
TEST_P(WidgetEvents, ClosureWhoseOwnerIsGoneCallsNothing) {
    std::vector<LoggingWindow::Call> owner_log;
    int32_t owner_id = 0;
    {
        MQWindow main = MQWindow::GetMainWindow();
        LoggingWindow owner(main, &owner_log);
        owner_id = owner.GetID();
        button->AddEventHandler("leftdown", owner.MouseClosure());
    }
    std::vector<LoggingWindow::Call> successor_log;
    MQWindow main = MQWindow::GetMainWindow();
    LoggingWindow successor(main, &successor_log);
    if (ReusesIds()) {
        ASSERT_EQ(successor.GetID(), owner_id) << "the host reused the dead owner's id";
    }
    host::EventOutcome outcome = widgets().MouseDown(button->GetID(), host::MouseButton::Left, {}, document);
    EXPECT_EQ(outcome.deliveries, 1);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_TRUE(owner_log.empty());
    EXPECT_TRUE(successor_log.empty());
}

TEST_P(WidgetEvents, HandlerMayDeleteTheWidgetItRunsFor) {
    const int32_t id = button->GetID();
    std::string said;
    button->AddEventHandler("execute", std::make_shared<FunctionClosure>([&, this](MQWidgetBase* sender, MQDocument, void*) {
        window->DeleteWidget(sender);
        said = "deleted";  // the closure and its captures are still alive here
        return 3;
    }));
    EXPECT_EQ(widgets().Press(id, document).result, 3);
    EXPECT_EQ(said, "deleted");
    EXPECT_EQ(MQWidgetBase::FindWidget(id), nullptr);
    EXPECT_FALSE(widgets().Exists(id));
    EXPECT_EQ(window->CreatedCount(), 0u);
}

TEST_P(WidgetEvents, ExceptionFromAHandlerEndsTheEventWithZero) {
    button->AddEventHandler("execute", std::make_shared<FunctionClosure>([](MQWidgetBase*, MQDocument, void*) -> int32_t {
        throw std::length_error("too long");
    }));
    host::EventOutcome outcome = widgets().Press(button->GetID(), document);
    EXPECT_EQ(outcome.deliveries, 1);
    EXPECT_EQ(outcome.result, 0);
}

}  // namespace
