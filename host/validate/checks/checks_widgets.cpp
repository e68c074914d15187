// The window's widgets (each deleted by the exit, once; a handler of a deleted widget,
// called all the same, changes nothing) and a user's random gestures.
#include <algorithm>

#include "host/drive/option_list.h"
#include "host/records/breaches.h"
#include "host/validate/checks/station.h"

namespace host::validate {
namespace {

// Every button of the plug-in pressed once, in id order, with no answer to any box; a
// press may rebuild the window, so the buttons are looked up again each time.
void PressEveryButton(Station& station) {
    std::vector<int32_t> pressed;
    for (;;) {
        int32_t next = 0;
        for (int32_t id : station.ShownButtons()) {
            if (std::find(pressed.begin(), pressed.end(), id) == pressed.end()) {
                next = id;
                break;
            }
        }
        if (next == 0 || pressed.size() >= 64) return;
        pressed.push_back(next);
        std::string what = "a press of " + Describe(next);
        TheWidgets().Press(next, station.document().handle());
        station.NoBreach(what);
        TheWidgets().MouseDown(next, MouseButton::Left, {}, station.document().handle());
        station.NoBreach("a click on " + Describe(next));
    }
}

void DeletedByExit(const Setting& setting) {
    Station station(setting);
    for (int round = 0; round < 3; ++round) {
        station.Start();
        station.Activate(1);
        PressEveryButton(station);
        station.Exit();  // fails when a widget outlives it; the model reports a second Delete
    }
}

// A careless host calls each handler the plug-in ever registered, with the options the
// event would carry, after its widget was deleted.
void CallDeletedHandlers(Station& station, const std::string& when) {
    for (const Handler& handler : station.handlers()) {
        if (TheWidgets().Exists(handler.widget)) continue;
        OptionList options;
        options.Text(MQEVT_KEY_TYPE, handler.type).Int(MQEVT_KEY_TARGET_ID, handler.widget).Int(MQEVT_KEY_SENDER_ID, handler.widget);
        size_t widgets_before = station.Widgets().size();
        handler.proc(station.document().handle(), options.Array(), handler.pointer);
        station.NoBreach("\"" + handler.type + "\" sent to the handler of deleted widget #" +
                         std::to_string(handler.widget) + " " + when);
        Require(station.Widgets().size() <= widgets_before, "widgets/event-after-delete",
                "\"" + handler.type + "\" sent to the handler of deleted widget #" + std::to_string(handler.widget) +
                    " " + when + " made widgets");
    }
}

void NoEventAfterDelete(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    station.CollectHandlers();
    for (int step = 0; step < setting.Scaled(10, 100); ++step) {
        station.Gesture();
        station.NoBreach("a gesture");
        station.CollectHandlers();
    }
    CallDeletedHandlers(station, "while the plug-in runs");
    station.Exit();
    CallDeletedHandlers(station, "after the exit");
    Require(station.Widgets().empty(), "widgets/event-after-delete", "handlers called after the exit made widgets");
    station.Start();
    station.Activate(1);
    CallDeletedHandlers(station, "after a new start");
    station.Exit();
}

void RandomGestures(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    int steps = setting.Scaled(100, 2000);
    std::string last;
    for (int step = 1; step <= steps; ++step) {
        StepContext("step " + std::to_string(step) + " of " + std::to_string(steps));
        switch (station.Pick(16)) {
        case 0: last = station.ChangeDocument(); break;
        case 1: last = "activation on"; station.plugin().Activate(station.document().handle(), 1); break;
        case 2: last = "activation off"; station.plugin().Activate(station.document().handle(), 0); break;
        case 3: last = "a save and a load"; station.Load(station.document(), station.Save(station.document())); break;
        case 4:
            if (station.Pick(4) == 0) {
                last = "an exit and a start";
                station.Exit();
                station.Start();
                break;
            }
            [[fallthrough]];
        default: last = station.Gesture(); break;
        }
        station.NoBreach("step " + std::to_string(step) + ", " + last);
        bool active = station.plugin().SendEvent(station.document().handle(), MQEVENT_IS_ACTIVATED, nullptr) != 0;
        Require(active == !station.ShownWindows().empty(), "lifecycle/active-not-shown",
                "step " + std::to_string(step) + ", " + last + ": event 101 answers " + (active ? "active" : "inactive") +
                    (active ? " with no window shown" : " with a window shown"));
    }
    size_t boxes = TheWidgets().MessageBoxes().size();
    station.Exit();
    Note(std::to_string(steps) + " steps, " + std::to_string(boxes) + " message boxes asked");
}

}  // namespace

std::vector<Check> WidgetChecks() {
    return {
        {"widgets.deleted-by-exit",
         "every widget made while every button is pressed is deleted by the exit, once, three times over", 1, false,
         DeletedByExit},
        {"widgets.no-event-after-delete",
         "a handler of a deleted widget, called by a careless host, breaks no rule and makes no widget", kHostileLevel,
         true, NoEventAfterDelete},
    };
}

std::vector<Check> GestureChecks() {
    return {
        {"gestures.random",
         "random clicks, presses, answers, window moves and closes, document changes, saves, loads and restarts "
         "(100 to 2000 steps)",
         3, true, RandomGestures, 3},
    };
}

}  // namespace host::validate
