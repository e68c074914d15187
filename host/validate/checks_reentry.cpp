// A host that is not polite: it runs its message loop while a box is open and lets the
// user and itself act before the box returns, raises events from inside the plug-in's own
// widget calls, closes documents the plug-in saw, and hands freed widget ids out again.
// Whatever it does, the plug-in breaks no rule of the host's and leaves nothing behind.
#include <algorithm>
#include <functional>

#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/validate/station.h"

namespace host::validate {
namespace {

struct BoxAction {
    const char* what;
    std::function<void(Station&)> run;
};

std::vector<BoxAction> BoxActions() {
    auto doc = [](Station& station) { return station.document().handle(); };
    return {
        {"the exit", [doc](Station& s) { s.plugin().Exit(doc(s)); }},
        {"an exit and a start", [doc](Station& s) {
             s.plugin().Exit(doc(s));
             s.plugin().Initialize(doc(s));
             s.plugin().Activate(doc(s), 1);
         }},
        {"activation off", [doc](Station& s) { s.plugin().Activate(doc(s), 0); }},
        {"activation on", [doc](Station& s) { s.plugin().Activate(doc(s), 1); }},
        {"closing the window", [doc](Station& s) {
             for (int32_t window : s.ShownWindows()) TheWidgets().CloseWindow(window, doc(s));
         }},
        {"a load of an empty element", [doc](Station& s) {
             XmlElement element("plugin");
             s.plugin().LoadDocument(doc(s), &element, "other.scene");
         }},
        {"a save", [doc](Station& s) {
             XmlElement element("plugin");
             s.plugin().SaveDocument(doc(s), &element, "other.scene");
         }},
        {"the document closed and another opened", [](Station& s) { s.NewDocument(true); }},
        {"a gesture elsewhere", [](Station& s) { s.Gesture(); }},
    };
}

void BoxActionsCheck(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    const BoxAction* current = nullptr;
    bool pending = false;
    int ran = 0;
    std::string missed;
    for (const BoxAction& action : BoxActions()) {
        current = &action;
        bool done = false;
        for (int attempt = 0; attempt < setting.Scaled(30, 200) && !done; ++attempt) {
            if (!pending) {
                pending = true;
                TheWidgets().WhileNextBoxOpen([&] {
                    pending = false;
                    done = true;
                    current->run(station);
                });
            }
            if (station.ShownWindows().empty()) station.plugin().Activate(station.document().handle(), 1);
            std::string what = station.Gesture();
            station.NoBreach(what + (done ? std::string(", with ") + action.what + " while its box was open" : ""));
        }
        if (!done) {
            missed += std::string(missed.empty() ? "" : ", ") + action.what;
            continue;
        }
        ++ran;
        // After an exit inside the box the plug-in is stopped: nothing of it may be left.
        if (std::string(action.what) == "the exit") {
            Require(station.Widgets().empty(), "widgets.outlived-exit",
                    "an exit while a box was open left " + std::to_string(station.Widgets().size()) + " widget(s)");
            station.Start();
        }
        station.plugin().Activate(station.document().handle(), 1);
        station.NoBreach(std::string("activation on after ") + action.what + " inside a box");
    }
    if (ran == 0) throw Skip{"the plug-in asked no message box in " + std::to_string(setting.Scaled(30, 200)) +
                             " gestures"};
    station.Exit();
    Note(std::to_string(ran) + " of " + std::to_string(BoxActions().size()) + " actions taken inside a box" +
         (missed.empty() ? "" : "; no box came for " + missed));
}

// Arms one event to be raised from inside the plug-in's next matching widget request.
std::string Arm(Station& station) {
    constexpr int32_t kOps[] = {MQWIDGET_SET_VALUE, MQWIDGET_GET_VALUE, MQWIDGET_ADD_CHILD, MQWIDGET_CREATE,
                                MQWIDGET_DELETE};
    constexpr const char* kKeys[] = {"", MQKEY_DOWN, MQKEY_TEXT, MQKEY_VISIBLE, MQKEY_JUSTSIZE};
    constexpr const char* kEvents[] = {MQEVT_EXECUTE, MQEVT_LEFTDOWN, MQEVT_HIDE, MQEVT_RIGHTDOWN, "paint", ""};
    InsideEvent event;
    event.op = kOps[station.Pick(std::size(kOps))];
    if (event.op == MQWIDGET_SET_VALUE || event.op == MQWIDGET_GET_VALUE) event.key = kKeys[station.Pick(std::size(kKeys))];
    std::vector<int32_t> widgets = station.Widgets();
    if (station.Bit() && !widgets.empty()) event.widget = widgets[station.Pick(widgets.size())];
    event.event = kEvents[station.Pick(std::size(kEvents))];
    if (!widgets.empty()) event.target = widgets[station.Pick(widgets.size())];
    std::string what = "\"" + event.event + "\" armed on " + Describe(event.target) + " inside " + std::to_string(event.op);
    TheWidgets().RaiseInside(std::move(event));
    return what;
}

void InsideEvents(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    for (int round = 0; round < setting.Scaled(20, 300); ++round) {
        std::string armed = Arm(station);
        std::string what;
        switch (station.Pick(6)) {
        case 0:
            what = "activation off and on";
            station.plugin().Activate(station.document().handle(), 0);
            station.plugin().Activate(station.document().handle(), 1);
            break;
        case 1:
            what = "an exit and a start";
            station.Exit();
            station.plugin().Initialize(station.document().handle());
            station.plugin().Activate(station.document().handle(), 1);
            break;
        default:
            what = station.Gesture();
            break;
        }
        station.NoBreach(what + ", with " + armed);
        TheWidgets().Disarm();
    }
    station.Exit();
}

void ClosedDocuments(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    for (int round = 0; round < setting.Scaled(5, 50); ++round) {
        bool inside_box = station.Bit();
        bool closed = false;
        if (inside_box) {
            TheWidgets().WhileNextBoxOpen([&] {
                closed = true;
                station.NewDocument(true);
            });
        }
        for (int step = 0; step < 20; ++step) {
            if (station.ShownWindows().empty()) station.plugin().Activate(station.document().handle(), 1);
            std::string what = station.Gesture();
            station.NoBreach(what + (closed ? ", the document closed while its box was open" : ""));
        }
        if (!inside_box || !closed) {
            station.NewDocument(true);
            XmlElement element("plugin");
            station.plugin().LoadDocument(station.document().handle(), &element, "next.scene");
            station.NoBreach("a load into the next document after the last was closed");
        }
        if (inside_box && !closed) break;  // the action stays queued; no box in 20 gestures
    }
    station.Exit();
}

void ReusedIds(const Setting& setting) {
    Station station(setting);
    TheWidgets().SetReuseIds(true);
    for (int round = 0; round < setting.Scaled(5, 50); ++round) {
        station.Start();
        station.Activate(1);
        // The handlers of earlier rounds, whose ids now name other widgets.
        for (const Handler& handler : station.handlers()) {
            const Widget* now = TheWidgets().Find(handler.widget);
            if (now == nullptr) continue;
            bool same = std::any_of(now->events.begin(), now->events.end(), [&](const WidgetEventRegistration& r) {
                return r.proc == handler.proc && r.pointer == handler.pointer && r.type == handler.type;
            });
            if (same) continue;
            OptionList options;
            options.Text(MQEVT_KEY_TYPE, handler.type).Int(MQEVT_KEY_TARGET_ID, handler.widget).Int(MQEVT_KEY_SENDER_ID, handler.widget);
            handler.proc(station.document().handle(), options.Array(), handler.pointer);
            station.NoBreach("\"" + handler.type + "\" sent to an old handler of #" + std::to_string(handler.widget) +
                             ", an id now reused by " + Describe(handler.widget));
            if (station.ShownWindows().empty()) station.plugin().Activate(station.document().handle(), 1);
        }
        for (int step = 0; step < 10; ++step) {
            std::string what = station.Gesture();
            station.NoBreach(what + ", with reused ids");
            station.CollectHandlers();
        }
        station.Exit();
    }
}

}  // namespace

std::vector<Check> ReentryChecks() {
    return {
        {"reentry.box-actions",
         "while a box is open the host exits, restarts, activates, closes the window, loads, saves, closes the "
         "document, or the user clicks elsewhere",
         kHostileLevel, true, BoxActionsCheck},
        {"reentry.inside-events", "events raised from inside the plug-in's own widget calls", kHostileLevel, true,
         InsideEvents},
        {"reentry.closed-documents", "the document closed under the plug-in, also while its box is open",
         kHostileLevel, true, ClosedDocuments},
        {"reentry.reused-ids", "freed widget ids handed out again, and old handlers called on their new owners",
         kHostileLevel, true, ReusedIds},
    };
}

}  // namespace host::validate
