#include "host/careless/catalogue.h"

#include <algorithm>
#include <iterator>

#include "host/binds/documents.h"
#include "host/binds/widgets/widgets.h"
#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/drive/plugin_module.h"
#include "host/drive/widget_queries.h"

namespace host::careless {
namespace {

using B = Behaviour;

const std::vector<Entry> kCatalogue = {
    {B::Exit, "exit", "the host stops the plug-in (event 2)", true, true},
    {B::ExitAndStart, "exit-and-start", "the host stops the plug-in and starts it again (events 2 and 1)", true, true},
    {B::Start, "start", "the host starts the running plug-in once more (event 1)", true, false},
    {B::ActivationOff, "activation-off", "the host turns the plug-in off (event 100 with 0)", true, true},
    {B::ActivationOn, "activation-on", "the host turns the plug-in on (event 100 with 1)", true, true},
    {B::UserCloses, "user-closes", "the user closes the plug-in's shown windows", true, true},
    {B::Load, "load", "the host loads the current document again (event 200)", true, true},
    {B::Save, "save", "the host saves the current document (event 202)", true, true},
    {B::DocumentReplaced, "document-replaced",
     "the user closes the document and opens another (event 200 for the new one)", true, true},
    {B::ClickElsewhere, "click-elsewhere", "the user clicks another button of the plug-in", true, true},
    {B::PressElsewhere, "press-elsewhere", "the user presses (\"execute\") another button of the plug-in", true, true},
    {B::StaleHandler, "stale-handler",
     "the host calls a handler it was once given, its widget perhaps deleted with its frame or its id reused",
     true, true},
    {B::InsideEvent, "inside-event", "an event raised from inside one of the plug-in's own widget calls", false, true},
    {B::DocumentClosed, "document-closed", "a document the plug-in saw is closed under it", false, true},
    {B::ReusedIds, "reused-ids", "the ids of deleted widgets are handed out again", false, true},
    {B::HostileOptions, "hostile-options",
     "option arrays with unknown, repeated and null entries and values of every kind", false, true},
};

const char* const kKeys[] = {"", MQKEY_DOWN, MQKEY_TEXT, MQKEY_VISIBLE, MQKEY_JUSTSIZE};

std::string Number(int32_t id) {
    std::string number = "#";
    number += std::to_string(id);
    return number;
}

int32_t Load(Stage& stage, Document& document) {
    std::unique_ptr<XmlElement> element = stage.ElementFor(document);
    OptionList options;
    return stage.Send(MQEVENT_LOAD_DOCUMENT, DocumentOptions(options, element.get(), "other.scene", false).Array());
}

}  // namespace

const std::vector<Entry>& Catalogue() { return kCatalogue; }

const Entry& EntryOf(Behaviour behaviour) { return kCatalogue.at(static_cast<size_t>(behaviour)); }

std::vector<Behaviour> BoxBehaviours(bool validated_only) {
    std::vector<Behaviour> box;
    for (const Entry& entry : kCatalogue) {
        if (entry.in_box && (entry.validated || !validated_only)) box.push_back(entry.behaviour);
    }
    return box;
}

void Handlers::Collect() {
    for (int32_t id : PluginWidgets()) {
        for (const WidgetEventRegistration& event : TheWidgets().Find(id)->events) {
            bool known = std::any_of(handlers_.begin(), handlers_.end(), [&](const Handler& seen) {
                return seen.widget == id && seen.pointer == event.pointer && seen.type == event.type;
            });
            if (!known && handlers_.size() < limit_) handlers_.push_back(Handler{id, event.type, event.proc, event.pointer});
        }
    }
}

std::unique_ptr<XmlElement> Stage::ElementFor(Document&) { return std::make_unique<XmlElement>("plugin"); }

int32_t Stage::Elsewhere(Behaviour) {
    std::vector<int32_t> buttons = ShownPluginWidgets(MQWIDGET_TYPE_BUTTON);
    return buttons.empty() ? 0 : buttons[Pick(buttons.size())];
}

std::string Perform(Behaviour behaviour, Stage& stage) {
    const std::string name = EntryOf(behaviour).name;
    switch (behaviour) {
    case B::Exit:
        stage.Send(MQEVENT_EXIT, nullptr);
        break;
    case B::ExitAndStart:
        stage.Send(MQEVENT_EXIT, nullptr);
        stage.Send(MQEVENT_INITIALIZE, nullptr);
        break;
    case B::Start:
        stage.Send(MQEVENT_INITIALIZE, nullptr);
        break;
    case B::ActivationOff:
    case B::ActivationOn: {
        int32_t flag = behaviour == B::ActivationOn ? 1 : 0;
        stage.Send(MQEVENT_ACTIVATE, &flag);
        break;
    }
    case B::UserCloses: {
        std::vector<int32_t> windows = ShownPluginWidgets(MQWIDGET_TYPE_WINDOW);
        for (int32_t window : windows) TheWidgets().CloseWindow(window, stage.Current().handle());
        return name + " (" + std::to_string(windows.size()) + " window(s))";
    }
    case B::Load:
        Load(stage, stage.Current());
        break;
    case B::Save: {
        XmlElement element("plugin");
        OptionList options;
        stage.Send(MQEVENT_SAVE_DOCUMENT, DocumentOptions(options, &element, "other.scene", true).Array());
        stage.Saved(element);
        break;
    }
    case B::DocumentReplaced:
    case B::DocumentClosed: {
        Document& old = stage.Current();
        Document& next = stage.OpenAnother();
        CloseDocument(old);
        TheWidgets().SetEventDocument(next.handle());
        // The host tells the plug-in of the document it opened.
        Load(stage, next);
        break;
    }
    case B::ClickElsewhere:
    case B::PressElsewhere: {
        int32_t button = stage.Elsewhere(behaviour);
        if (button == 0) return name + " (no button)";
        if (behaviour == B::PressElsewhere) {
            TheWidgets().Press(button, stage.Current().handle());
        } else {
            Modifiers modifiers;
            modifiers.shift = stage.Pick(2) != 0;
            modifiers.ctrl = stage.Pick(2) != 0;
            TheWidgets().MouseDown(button, MouseButton::Left, modifiers, stage.Current().handle());
        }
        return name + " on " + Number(button);
    }
    case B::StaleHandler: {
        const Handlers* handlers = stage.KnownHandlers();
        if (handlers == nullptr || handlers->empty()) return name + " (no handler known)";
        return CallStaleHandler(*handlers, stage);
    }
    case B::InsideEvent:
    case B::ReusedIds:
    case B::HostileOptions:
        return name + " (not an action)";
    }
    return name;
}

std::string CallStaleHandler(const Handlers& handlers, Stage& stage) {
    const std::vector<Handler>& all = handlers.all();
    const Handler& target = all[stage.Pick(all.size())];
    const std::vector<const char*>& names = HostEventNames();
    std::string type = stage.Pick(3) != 0 ? target.type : names[stage.Pick(names.size())];
    auto some_id = [&]() -> int32_t {
        switch (stage.Pick(4)) {
        case 0: return 0;
        case 1: return all[stage.Pick(all.size())].widget;
        default: return target.widget;
        }
    };
    OptionList options;
    if (stage.Pick(8) != 0) options.Text(MQEVT_KEY_TYPE, type);
    if (stage.Pick(8) != 0) options.Int(MQEVT_KEY_TARGET_ID, some_id());
    if (stage.Pick(4) != 0) options.Int(MQEVT_KEY_SENDER_ID, some_id());
    if (stage.Pick(2) != 0) options.Int(MQMOUSE_KEY_BUTTON_STATE, static_cast<int32_t>(stage.Pick(256)));
    if (stage.Pick(4) == 0) options.Null("canvas");
    target.proc(stage.Current().handle(), options.Array(), target.pointer);
    return "\"" + type + "\" sent to a handler once given for " + Number(target.widget);
}

std::string ArmInside(Stage& stage, const std::vector<int32_t>& ops, const std::vector<int32_t>& widgets,
                      const std::string& event, int32_t target) {
    InsideEvent inside;
    inside.op = ops[stage.Pick(ops.size())];
    if (inside.op == MQWIDGET_SET_VALUE || inside.op == MQWIDGET_GET_VALUE) inside.key = kKeys[stage.Pick(std::size(kKeys))];
    if (stage.Pick(2) != 0 && !widgets.empty()) inside.widget = widgets[stage.Pick(widgets.size())];
    inside.event = event;
    inside.target = target;
    std::string what = "\"" + event + "\" armed on " + Number(target) + " inside " + std::to_string(inside.op);
    TheWidgets().RaiseInside(std::move(inside));
    return what;
}

const std::vector<int32_t>& InsideOps() {
    static const std::vector<int32_t> ops = {MQWIDGET_SET_VALUE, MQWIDGET_GET_VALUE, MQWIDGET_ADD_CHILD,
                                             MQWIDGET_CREATE, MQWIDGET_DELETE};
    return ops;
}

const std::vector<const char*>& HostEventNames() {
    static const std::vector<const char*> names = {MQEVT_LEFTDOWN,  "leftup",  MQEVT_EXECUTE, MQEVT_HIDE,
                                                   "keydown",       "keyup",   "paint",       "mousewheel",
                                                   MQEVT_RIGHTDOWN, MQEVT_MIDDLEDOWN, ""};
    return names;
}

}  // namespace host::careless
