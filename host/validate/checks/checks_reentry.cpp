// A host that is not polite: it runs its message loop while a box is open and lets the
// user and itself act before the box returns, raises events from inside the plug-in's own
// widget calls, closes documents the plug-in saw, and hands freed widget ids out again.
// Whatever it does, the plug-in breaks no rule of the host's and leaves nothing behind.
#include <algorithm>
#include <optional>

#include "host/binds/xml.h"
#include "host/careless/catalogue.h"
#include "host/drive/option_list.h"
#include "host/validate/checks/station.h"

namespace host::validate {
namespace {

using careless::Behaviour;

// Gestures until the box that `done` waits for has run its action, at most `budget` of
// them. The gesture that opened a box last is made again first, two times in three: a
// plug-in that asks only on some button in some state (a pressed row) asks again there,
// so that whether a behaviour is met does not hang on the seed.
bool GestureUntilBox(Station& station, std::optional<UserGesture>& asking, int budget, const bool& done,
                     const std::string& during) {
    for (int attempt = 0; attempt < budget && !done; ++attempt) {
        if (station.ShownWindows().empty()) station.plugin().Activate(station.document().handle(), 1);
        UserGesture gesture = asking && attempt % 3 != 2 ? *asking : station.DrawGesture();
        size_t boxes = TheWidgets().MessageBoxes().size();
        std::string what = station.Make(gesture);
        if (TheWidgets().MessageBoxes().size() > boxes) asking = gesture;
        station.NoBreach(what + (done ? ", with " + during + " while its box was open" : ""));
        station.CollectHandlers();
    }
    if (!done) TheWidgets().DropBoxActions();
    return done;
}

// "exit 2, load 2, ...": how often each behaviour was met.
std::string Counts(const std::vector<std::pair<std::string, int>>& counts) {
    std::string text;
    for (const auto& [name, count] : counts) text += (text.empty() ? "" : ", ") + name + " " + std::to_string(count);
    return text;
}

// Every behaviour of the careless host's catalogue that a host may show while a box is
// open, each met as often as the strictness says with the box then answered OK and as
// often answered Cancel (a question that should have been dropped goes ahead only on an
// OK), in an order the seed draws.
void BoxActionsCheck(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    struct Visit {
        Behaviour behaviour;
        int32_t answer;
    };
    const std::vector<Behaviour> behaviours = careless::BoxBehaviours(true);
    std::vector<Visit> order;
    for (int time = 0; time < setting.Scaled(1, 3); ++time) {
        for (Behaviour behaviour : behaviours) {
            order.push_back({behaviour, MQBOX_OK});
            order.push_back({behaviour, MQBOX_CANCEL});
        }
    }
    std::shuffle(order.begin(), order.end(), station.random());
    const int budget = setting.Scaled(60, 400);
    std::vector<int> met(careless::Catalogue().size(), 0);
    std::optional<UserGesture> asking;
    std::string missed;
    for (const Visit& visit : order) {
        const std::string name = careless::EntryOf(visit.behaviour).name;
        bool done = false;
        std::string performed = name;
        TheWidgets().WhileNextBoxOpen([&] {
            done = true;
            performed = careless::Perform(visit.behaviour, station);
            // The box takes this answer, whatever was queued before it.
            TheWidgets().DropAnswers();
            TheWidgets().QueueAnswer(visit.answer);
        });
        if (!GestureUntilBox(station, asking, budget, done, name)) {
            if (missed.find(name) == std::string::npos) missed += (missed.empty() ? "" : ", ") + name;
            continue;
        }
        ++met[static_cast<size_t>(visit.behaviour)];
        // After an exit inside the box the plug-in is stopped: nothing of it may be left.
        if (visit.behaviour == Behaviour::Exit) {
            Require(station.Widgets().empty(), "widgets/outlived-exit",
                    "an exit while a box was open left " + std::to_string(station.Widgets().size()) + " widget(s)");
            station.Start();
        }
        station.plugin().Activate(station.document().handle(), 1);
        station.NoBreach("activation on after " + performed + " inside a box");
    }
    if (!asking) throw Skip{"the plug-in asked no message box in " + std::to_string(budget) + " gestures"};
    if (!missed.empty()) throw Skip{"no box came in " + std::to_string(budget) + " gestures for: " + missed};
    station.Exit();
    std::vector<std::pair<std::string, int>> counts;
    for (Behaviour behaviour : behaviours) counts.emplace_back(careless::EntryOf(behaviour).name, met[static_cast<size_t>(behaviour)]);
    Note("inside a box, answered OK and Cancel: " + Counts(counts));
}

// Every kind of widget request has an event armed inside it, under each of the host's
// actions; the seed draws the property, the widget, the event and its target.
void InsideEvents(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    const std::vector<int32_t>& ops = careless::InsideOps();
    const std::vector<const char*>& names = careless::HostEventNames();
    int armed = 0, raised = 0;
    for (int round = 0; round < setting.Scaled(20, 300); ++round) {
        std::vector<int32_t> widgets = station.Widgets();
        int32_t target = widgets.empty() ? 0 : widgets[station.Pick(widgets.size())];
        std::string event = names[station.Pick(names.size())];
        std::string what = careless::ArmInside(station, {ops[static_cast<size_t>(round) % ops.size()]}, widgets, event, target);
        ++armed;
        std::string action;
        switch ((static_cast<size_t>(round) / ops.size()) % 3) {
        case 0:
            action = "activation off and on";
            station.plugin().Activate(station.document().handle(), 0);
            station.plugin().Activate(station.document().handle(), 1);
            break;
        case 1:
            action = "an exit and a start";
            station.Exit();
            careless::Perform(Behaviour::Start, station);
            station.plugin().Activate(station.document().handle(), 1);
            break;
        default:
            action = station.Gesture();
            break;
        }
        station.NoBreach(action + ", with " + what);
        if (TheWidgets().ArmedEvents() == 0) ++raised;
        TheWidgets().Disarm();
    }
    station.Exit();
    Note(std::to_string(raised) + " of " + std::to_string(armed) + " armed events raised inside a widget call");
}

// The document closed under the plug-in, every other round while its box is open.
void ClosedDocuments(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    std::optional<UserGesture> asking;
    int inside = 0, outside = 0;
    std::string missed;
    for (int round = 0; round < setting.Scaled(6, 50); ++round) {
        if (round % 2 == 1) {
            bool closed = false;
            TheWidgets().WhileNextBoxOpen([&] {
                closed = true;
                careless::Perform(Behaviour::DocumentReplaced, station);
            });
            if (GestureUntilBox(station, asking, setting.Scaled(60, 400), closed, "the document closed")) {
                ++inside;
            } else {
                missed = "no box came to close the document in";
            }
            continue;
        }
        for (int step = 0; step < 10; ++step) station.NoBreach(station.Gesture());
        careless::Perform(Behaviour::DocumentClosed, station);
        station.NoBreach("a load into the next document after the last was closed");
        ++outside;
    }
    station.Exit();
    if (!missed.empty() && inside == 0) throw Skip{"the plug-in asked no message box, so no document was closed inside one"};
    Note(std::to_string(outside) + " document(s) closed between gestures, " + std::to_string(inside) +
         " while a box was open");
}

void ReusedIds(const Setting& setting) {
    Station station(setting);
    TheWidgets().SetReuseIds(true);
    int called = 0;
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
            ++called;
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
    Note(std::to_string(called) + " old handler(s) called on a reused id");
}

}  // namespace

std::vector<Check> ReentryChecks() {
    return {
        {"reentry.box-actions",
         "every action of a careless host while a box is open: exits, restarts, activation, the window "
         "closed, loads, saves, the document replaced, clicks and presses elsewhere, stale handlers",
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
