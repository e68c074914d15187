// The stand-in host's widgets: what MQWidget_Value builds, answers and deletes, the
// gestures of a user that raise widget events, the message boxes the plug-in asks, and a
// text picture of each window. The model's parts live apart: here widget_model.cpp (state
// and how requests are dispatched), widget_tree.cpp (widgets made, deleted and placed),
// widget_properties.cpp (values, events and system values), widget_journal.cpp (how
// requests read in the journal), widget_layout.cpp (sizes) and message_boxes.cpp; in
// host/drive/ widget_pictures.cpp and gestures.cpp.
//
// Ids are handed out from 1 up (1 is the host's main window) and never reused unless
// SetReuseIds(true): a host may reuse the ids of deleted widgets, and the plug-in must
// cope. Deleting a widget deletes what was placed in it and its child windows. A plug-in
// that deletes every widget it made then sends Delete for widgets that are gone already;
// the first such Delete of each is taken and does nothing. A Delete of an id that never
// existed, or of one a Delete has named before, is a breach.
//
// The model checks what the plug-in asks of it where that is cheap, and reports each
// broken rule to the register of breaches (records/breaches.h) under the call; it never
// crashes on a bad request and answers it by writing nothing, so the caller's preset
// stands.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/drive/option_list.h"
#include "host/records/breaches.h"
#include "platform/platform.h"
#include "abi/abi.h"

namespace host {

// A handler the plug-in registered with AddEvent: the host calls `proc` with `pointer`
// for each event named `type` on the widget.
struct WidgetEventRegistration {
    std::string type;
    MQWidgetEventProc_Fn* proc = nullptr;
    void* pointer = nullptr;
    bool prior = false;
};

struct Widget {
    int32_t id = 0;
    std::string type;  // "window", "frame" or "button"
    bool main = false;  // the host's own main window
    int32_t parent = 0;  // the frame or window it was placed in with AddChild; 0: none
    int32_t owner = 0;   // of a window: the window it is a child window of; 0: none
    std::vector<int32_t> children;       // placed in it, in order
    std::vector<int32_t> child_windows;  // in order

    // Properties, under the keys the plug-in uses. A new window is hidden until shown;
    // frames and buttons are visible. Spaces are in pixels: "inspace" between the
    // children of a frame or window, "outspace" around the widget itself.
    bool visible = true;
    double inspace = 4.0;
    double outspace = 0.0;
    std::string alignment = "vert";  // "horz" or "vert"
    int32_t matrixcolumn = 0;        // > 0: the children fill a grid of this many columns, row by row
    platform::WideString text;
    bool down = false;
    platform::WideString title;
    bool closebutton = true;
    bool canresize = true;
    int32_t pos_x = 0;
    int32_t pos_y = 0;
    int32_t width = 0;
    int32_t height = 0;

    std::vector<WidgetEventRegistration> events;

    std::string TextUtf8() const;
    std::string TitleUtf8() const;
};

// One message box the plug-in asked, with the options it gave. `answer` is what the host
// wrote into "result"; none when nobody answered and the caller's preset stood.
struct MessageBoxRequest {
    int32_t parent = 0;
    std::string type;         // "messagebox"
    std::string messagetype;  // "okcancel"
    std::string message;      // UTF-8
    std::string title;        // UTF-8
    std::optional<int32_t> answer;
};

enum class MouseButton { Left, Middle, Right };

struct Modifiers {
    bool shift = false;
    bool ctrl = false;
};

// An event the host raises from inside a request, before the request returns, as real
// hosts raise events from inside their widget calls.
struct InsideEvent {
    int32_t op = MQWIDGET_SET_VALUE;  // the request it is raised from
    std::string key;                  // of GetValue and SetValue: the property; "": any
    int32_t widget = 0;               // the widget of the request; 0: any
    std::string event;                // its "type": "execute", "hide", ...
    int32_t target = 0;               // the widget it is raised on; 0: the request's widget
};

// What came of a gesture or an event the host raised.
struct EventOutcome {
    std::string refused;  // why the gesture could not be made; empty when it was
    int deliveries = 0;   // event procedures called; 0 when no handler was registered
    int32_t result = 0;   // what the last procedure returned; 0 when none was called
};

class WidgetModel {
public:
    WidgetModel();

    // ---- State --------------------------------------------------------------------------
    const Widget* Find(int32_t id) const;
    bool Exists(int32_t id) const { return Find(id) != nullptr; }
    std::vector<int32_t> Ids() const;  // in id order, the main window included
    int32_t MainWindow() const { return main_window_; }
    // True when a user could see the widget: it and every frame around it are visible,
    // up to a visible window.
    bool IsShowing(int32_t id) const;
    // "justsize": the size the widget's content asks for, in pixels; for a window the
    // outer size first, then the size inside its border.
    std::array<int32_t, 4> JustSize(int32_t id) const;

    // ---- Switches (all cleared by Reset) ------------------------------------------------
    // Hand the lowest freed id to the next widget made.
    void SetReuseIds(bool reuse) { reuse_ids_ = reuse; }
    // The next `count` creates make nothing and write no id.
    void RefuseCreates(int count) { refused_creates_ = count; }
    // When false, asking for the main window gets no answer.
    void SetAnswersMainWindow(bool answers) { answers_main_window_ = answers; }
    // The document handle passed with the events the host raises on its own (a shown
    // window hidden through "visible", an InsideEvent).
    void SetEventDocument(MQDocument document) { event_document_ = document; }
    // Arms `event` once: the first request it matches, carried out without a breach,
    // raises it, with "type", "target_id" and "sender_id" (the target), to the procedures
    // registered for it on the target, and only then returns. A shown window that the
    // plug-in hides raises "hide" that way always.
    //   widgets.RaiseInside({MQWIDGET_SET_VALUE, MQKEY_DOWN, 0, MQEVT_EXECUTE, ok_button});
    void RaiseInside(InsideEvent event) { inside_events_.push_back(std::move(event)); }
    // The events armed and not raised yet; Disarm drops them.
    size_t ArmedEvents() const { return inside_events_.size(); }
    void Disarm() { inside_events_.clear(); }

    // ---- Message boxes ------------------------------------------------------------------
    // Answers are taken first from the queue, then from the answerer (an interactive host
    // asks its user); when neither answers, the caller's preset stands, which means Cancel.
    using Answerer = std::function<std::optional<int32_t>(const MessageBoxRequest&)>;
    void QueueAnswer(int32_t answer) { answers_.push_back(answer); }
    size_t QueuedAnswers() const { return answers_.size(); }
    // Drops the queued answers that no box has taken.
    void DropAnswers() { answers_.clear(); }
    void SetAnswerer(Answerer answerer) { answerer_ = std::move(answerer); }
    // While a box is open a real host runs its message loop, and whatever the user or the
    // host does then reaches the plug-in before the box returns. Each action queued here
    // runs, in order, inside the next message box, after the box is recorded and before
    // it takes its answer; a box that an action opens takes the answers first and runs
    // the actions queued by then. The action reaches the plug-in through the host (a
    // gesture, an event sent through the PluginModule, a document closed).
    //   widgets.WhileNextBoxOpen([&] { plugin->LoadDocument(other.handle(), &element, "b.mqo"); });
    void WhileNextBoxOpen(std::function<void()> action) { box_actions_.push_back(std::move(action)); }
    const std::vector<MessageBoxRequest>& MessageBoxes() const { return boxes_; }

    // ---- Gestures -----------------------------------------------------------------------
    // A user's gestures, refused when the widget does not exist or is not shown. Each
    // sends its event with "type", "target_id" and "sender_id" (both the widget) to every
    // procedure registered for that event on the widget, in registration order.
    // Pressing a mouse button: "leftdown", "middledown" or "rightdown", with
    // "button_state" holding the pressed button (0x01, 0x10, 0x02), Shift 0x04, Ctrl 0x08.
    EventOutcome MouseDown(int32_t id, MouseButton button, Modifiers modifiers, MQDocument document);
    // Pressing a button: "execute".
    EventOutcome Press(int32_t id, MQDocument document);
    // Closing a shown window (its close button, or the host closing it): the window is
    // hidden, then "hide" is sent.
    EventOutcome CloseWindow(int32_t id, MQDocument document);
    // Dragging a window to (x, y): its "pos_x" and "pos_y" change; no event is raised.
    // Returns why it could not be moved, or "" when it was.
    std::string MoveWindow(int32_t id, int32_t x, int32_t y);
    // An event as the caller builds it, to every procedure registered for `type` on the
    // widget; nothing is added to `options` and nothing is checked.
    EventOutcome SendEvent(int32_t id, const std::string& type, OptionList& options, MQDocument document);

    // ---- Pictures -----------------------------------------------------------------------
    // A window as text: a box titled with its title (marked "(hidden)" when hidden),
    // frames laid out as the host lays them out, buttons as [text], pressed ones as
    // [text*]. Hidden frames and buttons are left out. With `numbered`, the line holding
    // the i-th of those widgets starts with i + 1, the others with as many spaces.
    std::string Picture(int32_t window, const std::vector<int32_t>& numbered = {}) const;
    // Every window but the main window, in id order.
    std::string Pictures() const;

    // ---- The host function --------------------------------------------------------------
    void Handle(int32_t widget, int32_t op, MQOption* options);
    // Back to a fresh start: only the main window, every switch and queue cleared.
    void Reset();

private:
    struct Request;

    Widget* FindMutable(int32_t id);
    int32_t NewId();
    void DeleteTree(int32_t id, int32_t with_parent);
    bool TakeLateDelete(int32_t id);
    EventOutcome Deliver(int32_t id, const std::string& type, OptionList& options, MQDocument document);
    void Dispatch(Request& request);
    void RaiseArmedEvent(const Request& request);
    void Report(const Request& request, const char* rule_id, std::string detail);
    void ReportAbsent(const Request& request, int32_t id, const char* role);

    void Create(Request& request);
    void Delete(Request& request);
    void AddChild(Request& request);
    void RemoveChild(Request& request);
    void AddChildWindow(Request& request);
    const MQOption* PropertyEntry(const Request& request, const Widget& widget, bool set);
    void GetValue(Request& request);
    void SetValue(Request& request);
    void AddEvent(Request& request);
    void GetSystem(Request& request);
    void MessageBox(Request& request);

    std::map<int32_t, Widget> widgets_;
    // id -> the widget it was deleted with; 0 once a Delete has named it. Until reused.
    std::map<int32_t, int32_t> deleted_;
    std::set<int32_t> free_ids_;
    int32_t next_id_ = 1;
    int32_t main_window_ = 0;
    bool reuse_ids_ = false;
    int refused_creates_ = 0;
    bool answers_main_window_ = true;
    MQDocument event_document_ = nullptr;
    std::deque<int32_t> answers_;
    Answerer answerer_;
    std::vector<MessageBoxRequest> boxes_;
    std::vector<std::function<void()>> box_actions_;
    std::vector<InsideEvent> inside_events_;
};

// The widgets of the running host.
WidgetModel& TheWidgets();

}  // namespace host
