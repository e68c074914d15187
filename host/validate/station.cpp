#include "host/validate/station.h"

#include <algorithm>

#include "host/binds/host.h"
#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/files/xml_file.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"

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
    TheJournal().SetRecording(false);
    std::string error;
    plugin_ = PluginModule::Load(setting.plugin_file, &error);
    if (plugin_ == nullptr) Fail("file.load", error);
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
    Require(plugin_->Handshake(), "handshake.refused",
            "MQCheckVersion answered " + std::to_string(plugin_->version_answer()) + " and MQInit did not bind");
    Require(plugin_->Initialize(document_->handle()) != 0, "lifecycle.start-refused", "event 1 answered 0");
    NoBreach("the start (event 1)");
}

int32_t Station::Activate(int32_t flag) {
    int32_t answer = plugin_->Activate(document_->handle(), flag);
    NoBreach("activation " + std::to_string(flag) + " (event 100)");
    return answer;
}

void Station::Exit() {
    plugin_->Exit(document_->handle());
    NoBreach("the exit (event 2)");
    std::vector<int32_t> left = Widgets();
    if (!left.empty()) {
        std::string seen = std::to_string(left.size()) + " widget(s) outlived the exit:";
        for (int32_t id : left) seen.append(" ").append(Describe(id));
        Fail("widgets.outlived-exit", seen);
    }
}

Document& Station::NewDocument(bool close_old) {
    Document* old = document_;
    document_ = &OpenDocument();
    size_t count = Pick(9);
    for (size_t i = 0; i < count; ++i) AddObject(*document_, random_);
    if (close_old) CloseDocument(*old);
    TheWidgets().SetEventDocument(document_->handle());
    // The host tells the plug-in of the document it opened, with an element of nothing.
    XmlElement element("plugin");
    plugin_->LoadDocument(document_->handle(), &element, "opened.scene");
    return *document_;
}

void Station::NoBreach(const std::string& during) {
    if (TheBreaches().Empty()) return;
    std::vector<Breach> breaches = TheBreaches().Take();
    std::string seen = during + ": " + breaches.front().call + ": " + breaches.front().detail;
    if (breaches.size() > 1) seen += " (and " + std::to_string(breaches.size() - 1) + " more)";
    Fail(breaches.front().rule_id, seen);
}

std::vector<int32_t> Station::Widgets() const {
    std::vector<int32_t> ids = TheWidgets().Ids();
    ids.erase(std::remove(ids.begin(), ids.end(), TheWidgets().MainWindow()), ids.end());
    return ids;
}

std::vector<int32_t> Station::ShownWindows() const {
    std::vector<int32_t> shown;
    for (int32_t id : Widgets()) {
        if (TheWidgets().Find(id)->type == MQWIDGET_TYPE_WINDOW && TheWidgets().IsShowing(id)) shown.push_back(id);
    }
    return shown;
}

std::vector<int32_t> Station::ShownButtons() const {
    std::vector<int32_t> shown;
    for (int32_t id : Widgets()) {
        if (TheWidgets().Find(id)->type == MQWIDGET_TYPE_BUTTON && TheWidgets().IsShowing(id)) shown.push_back(id);
    }
    return shown;
}

std::vector<int32_t> Station::ShownWidgets() const {
    std::vector<int32_t> shown;
    for (int32_t id : Widgets()) {
        if (TheWidgets().Find(id)->type != MQWIDGET_TYPE_WINDOW && TheWidgets().IsShowing(id)) shown.push_back(id);
    }
    return shown;
}

void Station::CollectHandlers() {
    for (int32_t id : Widgets()) {
        for (const WidgetEventRegistration& event : TheWidgets().Find(id)->events) {
            bool known = std::any_of(handlers_.begin(), handlers_.end(), [&](const Handler& seen) {
                return seen.widget == id && seen.pointer == event.pointer && seen.type == event.type;
            });
            if (!known && handlers_.size() < 512) handlers_.push_back(Handler{id, event.type, event.proc, event.pointer});
        }
    }
}

std::string Station::Save(Document& document) {
    XmlElement element("plugin");
    plugin_->SaveDocument(document.handle(), &element, "validate.scene");
    NoBreach("a save (event 202)");
    return WriteXml(element);
}

void Station::Load(Document& document, const std::string& text) {
    std::string error;
    std::unique_ptr<XmlElement> element = ParseXml(text, &error);
    Require(element != nullptr, "document.unreadable", "the saved element does not read back: " + error);
    plugin_->LoadDocument(document.handle(), element.get(), "validate.scene");
    NoBreach("a load (event 200)");
}

std::vector<uint8_t> Station::Bytes(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random_());
    return bytes;
}

std::string Station::Gesture() {
    WidgetModel& widgets = TheWidgets();
    switch (Pick(8)) {
    case 0: {
        std::optional<int32_t> answer;
        if (Pick(4) != 0) answer = static_cast<int32_t>(Pick(3));
        if (answer) widgets.QueueAnswer(*answer);
        return answer ? "the next box will be answered " + std::to_string(*answer) : "no answer queued";
    }
    case 1:
    case 2:
    case 3: {
        std::vector<int32_t> targets = ShownWidgets();
        if (targets.empty()) return "nothing to click";
        int32_t target = targets[Pick(targets.size())];
        MouseButton button = Pick(4) == 0 ? (Bit() ? MouseButton::Right : MouseButton::Middle) : MouseButton::Left;
        Modifiers modifiers{Bit(), Bit()};
        std::string what = "a click on " + Describe(target);
        widgets.MouseDown(target, button, modifiers, document_->handle());
        return what;
    }
    case 4:
    case 5: {
        std::vector<int32_t> buttons = ShownButtons();
        if (buttons.empty()) return "no button to press";
        int32_t target = buttons[Pick(buttons.size())];
        std::string what = "a press of " + Describe(target);
        widgets.Press(target, document_->handle());
        return what;
    }
    case 6: {
        std::vector<int32_t> windows = ShownWindows();
        if (windows.empty()) return "no window to close";
        int32_t target = windows[Pick(windows.size())];
        std::string what = "closing " + Describe(target);
        widgets.CloseWindow(target, document_->handle());
        return what;
    }
    default: {
        std::vector<int32_t> windows = ShownWindows();
        if (windows.empty()) return "no window to move";
        int32_t target = windows[Pick(windows.size())];
        // Places on one screen: a plug-in need not restore a place left of or above it.
        int32_t x = static_cast<int32_t>(Pick(1600)), y = static_cast<int32_t>(Pick(900));
        widgets.MoveWindow(target, x, y);
        return "moving " + Describe(target) + " to " + std::to_string(x) + ", " + std::to_string(y);
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
