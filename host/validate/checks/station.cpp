#include "host/validate/checks/station.h"

#include <algorithm>

#include "host/binds/host.h"
#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/drive/widget_queries.h"
#include "host/files/xml_file.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"
#include "host/records/rules.h"

namespace host::validate {
namespace {

constexpr const char* kNames[] = {"Body", "Rig", "", "Caf\xC3\xA9", "body", "Body ", "Lamp", "Shelf"};

void AddObject(Document& document, std::mt19937_64& random) {
    if (random() % 8 == 0) return document.AddEmptyPlace();
    Object& object = document.AddObject(kNames[random() % std::size(kNames)], (random() & 1) != 0);
    object.SetAppendFilter(static_cast<int32_t>(random() % 2));
    object.SetCounted(random() % 8 != 0);
}

}  // namespace

std::string Describe(int32_t widget) {
    const Widget* found = TheWidgets().Find(widget);
    std::string text = "#";
    text.append(std::to_string(widget));
    if (found == nullptr) return text.append(" (gone)");
    std::string label = found->type == MQWIDGET_TYPE_WINDOW ? found->TitleUtf8() : found->TextUtf8();
    text.append(" (").append(found->type);
    if (!label.empty()) text.append(" \"").append(label).append("\"");
    return text.append(")");
}

Station::Station(const Setting& setting) : setting_(setting), random_(setting.seed) {
    ResetHost();
    // The latest calls only, for the report of a crash or a hang.
    TheJournal().SetLimit(kJournalCalls);
    std::string error;
    Step("loading the file");
    plugin_ = PluginModule::Load(setting.plugin_file, &error);
    if (plugin_ == nullptr) Fail("file/load", error);
    document_ = &OpenDocument();
    for (int i = 0; i < 6; ++i) AddObject(*document_, random_);
    TheWidgets().SetEventDocument(document_->handle());
}

Station::~Station() {
    // The host's models may hold the plug-in's handlers; they go before the file does.
    TheWidgets().SetAnswerer(nullptr);
    TheWidgets().Reset();
}

void Station::Start() {
    Step("the start: handshake and event 1");
    Require(plugin_->Handshake(), "handshake/refused",
            "MQCheckVersion answered " + std::to_string(plugin_->version_answer()) + " and MQInit did not bind");
    Require(plugin_->Initialize(document_->handle()) != 0, "lifecycle/start-refused", "event 1 answered 0");
    NoBreach("the start (event 1)");
}

int32_t Station::Activate(int32_t flag) {
    Step("activation " + std::to_string(flag) + " (event 100)");
    int32_t answer = plugin_->Activate(document_->handle(), flag);
    NoBreach("activation " + std::to_string(flag) + " (event 100)");
    return answer;
}

void Station::Exit() {
    Step("the exit (event 2)");
    plugin_->Exit(document_->handle());
    NoBreach("the exit (event 2)");
    std::vector<int32_t> left = Widgets();
    if (!left.empty()) {
        std::string seen = std::to_string(left.size()) + " widget(s) outlived the exit:";
        for (int32_t id : left) seen.append(" ").append(Describe(id));
        Fail("widgets/outlived-exit", seen);
    }
}

Document& Station::OpenAnother() {
    document_ = &OpenDocument();
    size_t count = Pick(9);
    for (size_t i = 0; i < count; ++i) AddObject(*document_, random_);
    return *document_;
}

int32_t Station::Send(int32_t event, void* argument) {
    return plugin_->SendEvent(document_->handle(), event, argument);
}

Document& Station::NewDocument(bool close_old) {
    if (close_old) {
        careless::Perform(careless::Behaviour::DocumentClosed, *this);
        return *document_;
    }
    OpenAnother();
    TheWidgets().SetEventDocument(document_->handle());
    Step(close_old ? "a new document, the old one closed (event 200)" : "a new document beside the old one (event 200)");
    // The host tells the plug-in of the document it opened, with an element of nothing.
    XmlElement element("plugin");
    plugin_->LoadDocument(document_->handle(), &element, "opened.scene");
    return *document_;
}

void Station::NoBreach(const std::string& during) {
    if (TheBreaches().Empty()) return;
    std::vector<Breach> breaches = TheBreaches().Take();
    std::vector<Breach> broken;
    for (Breach& breach : breaches) {
        const RuleInfo* rule = FindRule(breach.rule_id);
        if (rule != nullptr && rule->forgiven) {
            Warn(breach.rule_id, during + ": " + breach.call + ": " + breach.detail);
        } else {
            broken.push_back(std::move(breach));
        }
    }
    if (broken.empty()) return;
    std::string seen = during + ": " + broken.front().call + ": " + broken.front().detail;
    if (broken.size() > 1) seen += " (and " + std::to_string(broken.size() - 1) + " more)";
    FailOnHostRule(broken.front().rule_id, seen);
}

std::vector<int32_t> Station::Widgets() const { return PluginWidgets(); }

std::vector<int32_t> Station::ShownWindows() const { return ShownPluginWidgets(MQWIDGET_TYPE_WINDOW); }

std::vector<int32_t> Station::ShownButtons() const { return ShownPluginWidgets(MQWIDGET_TYPE_BUTTON); }

std::vector<int32_t> Station::ShownWidgets() const {
    std::vector<int32_t> shown;
    for (int32_t id : Widgets()) {
        if (TheWidgets().Find(id)->type != MQWIDGET_TYPE_WINDOW && TheWidgets().IsShowing(id)) shown.push_back(id);
    }
    return shown;
}

std::string Station::Save(Document& document) {
    XmlElement element("plugin");
    Step("a save (event 202)");
    plugin_->SaveDocument(document.handle(), &element, "validate.scene");
    NoBreach("a save (event 202)");
    return WriteXml(element);
}

void Station::Load(Document& document, const std::string& text) {
    std::string error;
    std::unique_ptr<XmlElement> element = ParseXml(text, &error);
    Require(element != nullptr, "documents/unreadable", "the saved element does not read back: " + error);
    Step("a load (event 200)");
    plugin_->LoadDocument(document.handle(), element.get(), "validate.scene");
    NoBreach("a load (event 200)");
}

std::vector<uint8_t> Station::Bytes(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random_());
    return bytes;
}

UserGesture Station::DrawGesture() {
    UserGesture gesture;
    switch (Pick(8)) {
    case 0:
        gesture.kind = 0;
        if (Pick(4) != 0) gesture.answer = static_cast<int32_t>(Pick(3));
        break;
    case 1:
    case 2:
    case 3:
        gesture.kind = 1;
        gesture.place = Pick(1 << 16);
        gesture.button = Pick(4) == 0 ? (Bit() ? MouseButton::Right : MouseButton::Middle) : MouseButton::Left;
        gesture.modifiers = Modifiers{Bit(), Bit()};
        break;
    case 4:
    case 5:
        gesture.kind = 2;
        gesture.place = Pick(1 << 16);
        break;
    case 6:
        gesture.kind = 3;
        gesture.place = Pick(1 << 16);
        break;
    default:
        gesture.kind = 4;
        gesture.place = Pick(1 << 16);
        // Places on one screen: a plug-in need not restore a place left of or above it.
        gesture.x = static_cast<int32_t>(Pick(1600));
        gesture.y = static_cast<int32_t>(Pick(900));
        break;
    }
    return gesture;
}

std::string Station::Make(const UserGesture& gesture) {
    WidgetModel& widgets = TheWidgets();
    auto at = [&](const std::vector<int32_t>& targets) { return targets[gesture.place % targets.size()]; };
    switch (gesture.kind) {
    case 0:
        if (gesture.answer < 0) return "no answer queued";
        widgets.QueueAnswer(gesture.answer);
        return "the next box will be answered " + std::to_string(gesture.answer);
    case 1: {
        std::vector<int32_t> targets = ShownWidgets();
        if (targets.empty()) return "nothing to click";
        int32_t target = at(targets);
        std::string what = "a click on " + Describe(target);
        Step(what);
        widgets.MouseDown(target, gesture.button, gesture.modifiers, document_->handle());
        return what;
    }
    case 2: {
        std::vector<int32_t> buttons = ShownButtons();
        if (buttons.empty()) return "no button to press";
        int32_t target = at(buttons);
        std::string what = "a press of " + Describe(target);
        Step(what);
        widgets.Press(target, document_->handle());
        return what;
    }
    case 3: {
        std::vector<int32_t> windows = ShownWindows();
        if (windows.empty()) return "no window to close";
        int32_t target = at(windows);
        std::string what = "closing " + Describe(target);
        Step(what);
        widgets.CloseWindow(target, document_->handle());
        return what;
    }
    default: {
        std::vector<int32_t> windows = ShownWindows();
        if (windows.empty()) return "no window to move";
        int32_t target = at(windows);
        Step("moving " + Describe(target));
        widgets.MoveWindow(target, gesture.x, gesture.y);
        return "moving " + Describe(target) + " to " + std::to_string(gesture.x) + ", " + std::to_string(gesture.y);
    }
    }
}

std::string Station::ChangeDocument() {
    Document& document = *document_;
    Object* object = document.PlaceCount() > 0 ? document.ObjectAt(static_cast<int32_t>(Pick(document.PlaceCount()))) : nullptr;
    switch (Pick(4)) {
    case 0:
        if (object == nullptr) break;
        object->SetVisible(!object->visible());
        return "object #" + std::to_string(object->place()) + (object->visible() ? " shown" : " hidden");
    case 1:
        if (object == nullptr) break;
        object->SetName(kNames[Pick(std::size(kNames))]);
        return "object #" + std::to_string(object->place()) + " renamed";
    case 2:
        if (object == nullptr) break;
        document.RemoveObject(object->place());
        return "an object deleted";
    default:
        break;
    }
    AddObject(document, random_);
    return "an object added";
}

}  // namespace host::validate
