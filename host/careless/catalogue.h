// What a real host may do under the plug-in, each behaviour once, with a name, one line on
// what it is and the code that performs it. The plug-in's tests, the gestures fuzz target
// and validate's re-entry checks all take their careless host from here; each decides
// only when a behaviour comes (inside a message box, inside a widget call, between two
// gestures) and what to check after it.
//
// A behaviour reaches the plug-in as the host reaches it: through its event export, the
// widget model's gestures, and the documents. What differs between the callers (how the
// plug-in is reached, where choices come from, what a load hands it, which document opens
// next) is asked of a Stage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "abi/abi.h"

namespace host {

class Document;
class XmlElement;

namespace careless {

enum class Behaviour {
    // Done while a message box of the plug-in is open, in the host's nested loop.
    Exit,
    ExitAndStart,
    Start,
    ActivationOff,
    ActivationOn,
    UserCloses,
    Load,
    Save,
    DocumentReplaced,
    ClickElsewhere,
    PressElsewhere,
    StaleHandler,
    // Done at any moment, or as a way of being.
    InsideEvent,
    DocumentClosed,
    ReusedIds,
    HostileOptions,
};

struct Entry {
    Behaviour behaviour;
    const char* name;
    const char* description;
    bool in_box;     // one of the actions a host takes while a box is open
    bool validated;  // validate holds every plug-in to it (a second start it does not:
                     // the modeller never sends one, and a plug-in need not survive it)
};

// Every behaviour, in the order of Behaviour.
const std::vector<Entry>& Catalogue();
const Entry& EntryOf(Behaviour behaviour);
// The behaviours a host may show while a box is open, in catalogue order; with
// `validated_only`, only those that validate holds every plug-in to.
std::vector<Behaviour> BoxBehaviours(bool validated_only = false);

// A handler the plug-in registered, kept after its widget is gone.
struct Handler {
    int32_t widget;
    std::string type;
    MQWidgetEventProc_Fn* proc;
    void* pointer;
};

// Every handler the plug-in ever registered, so that the host can call it later, when its
// widget may be gone (deleted with its frame, or at an exit) or its id reused.
class Handlers {
public:
    explicit Handlers(size_t limit) : limit_(limit) {}
    // Records the handlers registered now on every widget but the host's main window.
    void Collect();
    const std::vector<Handler>& all() const { return handlers_; }
    bool empty() const { return handlers_.empty(); }

private:
    size_t limit_;
    std::vector<Handler> handlers_;
};

// Where a behaviour is performed: the plug-in, the current document, and the choices.
class Stage {
public:
    virtual ~Stage() = default;

    // The plug-in's event export, for the current document.
    virtual int32_t Send(int32_t event, void* argument) = 0;
    virtual Document& Current() = 0;
    // A number in 0 .. count-1 (0 when count is 0): the fuzzer's bytes, a seed, a script.
    virtual size_t Pick(size_t count) = 0;

    // The host opens another document and makes it current (the old one is closed by the
    // behaviour after this returns).
    virtual Document& OpenAnother() = 0;
    // The plug-in's element that a load of `document` hands it; an empty one by default.
    virtual std::unique_ptr<XmlElement> ElementFor(Document& document);
    // What a save of the current document wrote, for a caller that keeps it.
    virtual void Saved(const XmlElement& element) { (void)element; }
    // The button a click or a press elsewhere goes to, 0 for none: by default any shown
    // button of the plug-in, picked.
    virtual int32_t Elsewhere(Behaviour behaviour);
    // The handlers a stale call picks from; none by default.
    virtual const Handlers* KnownHandlers() { return nullptr; }
};

// Performs one of the behaviours of BoxBehaviours() (and DocumentClosed) on the stage, and
// answers what was done, for a failure message.
std::string Perform(Behaviour behaviour, Stage& stage);

// The stale call of StaleHandler: a handler picked from `handlers` is called with options
// of the host's own making, the event name often its own, the ids its widget's, another's
// or 0. Answers what was sent.
std::string CallStaleHandler(const Handlers& handlers, Stage& stage);

// InsideEvent: arms one event to be raised from inside the plug-in's next matching widget
// request (of the kinds in `ops`), on `target` with `event` (what the caller picked),
// from a request on any widget or on one of `widgets`. Answers what was armed.
std::string ArmInside(Stage& stage, const std::vector<int32_t>& ops, const std::vector<int32_t>& widgets,
                      const std::string& event, int32_t target);

// The widget requests an inside event may be raised from, and event names a host may use.
const std::vector<int32_t>& InsideOps();
const std::vector<const char*>& HostEventNames();

}  // namespace careless
}  // namespace host
