// The second door: widget events, as a user's gestures and a careless host raise them.
// The input decodes to a run of actions on a started plug-in and a small scene: clicks on
// "S" and "R" with every mouse button and modifier, confirmations answered either way or
// not at all, "Add", closing and opening the window, showing, hiding, renaming, adding and
// deleting objects, saving and loading the document, restarting the plug-in, and the
// careless host's behaviours (host/careless). The checks read only the host's side: the
// document, the widgets, the breaches, and the rows as a save writes them. After every step:
// - the invariants of fuzz::CheckInvariants hold (exactly, right after the rows were
//   rebuilt);
// - a store records exactly the counted objects (the admitted ones when appending, on top
//   of what the row held), a clear empties the row, a refused confirmation changes
//   nothing, and a box is asked exactly when the button was down;
// - a recall changes only objects whose names the row holds, to the recorded flag, and
//   answers 1 exactly when the row holds entries;
// - a load brings back what the save wrote; nothing else changes the scene's visibility.
// While a confirmation is open the host may take any of the catalogue's box actions. A
// question that lost its window, its rows or its document meanwhile changes nothing; one
// that lost none of them goes ahead. Through events raised from inside the plug-in's own
// widget calls only the invariants are checked.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "host/binds/documents.h"
#include "host/binds/widgets/widgets.h"
#include "host/binds/xml.h"
#include "host/careless/catalogue.h"
#include "host/drive/plugin_module.h"
#include "host/drive/widget_queries.h"
#include "host/files/xml_file.h"
#include "platform/platform.h"

namespace {

// A check of what a gesture did, made only while no event is armed to be raised from
// inside the plug-in's widget calls: such an event may do anything a handler does, and
// only the invariants hold through it.
// So does a step in which the plug-in ran out of memory at the allocation the input chose,
// also when it did so inside the check's own look at the rows (a save): whether it did is
// asked only once the condition was read.
#define STRICT_CHECK(condition, detail)                                               \
    do {                                                                              \
        if (lenient_) break;                                                          \
        const bool holds = (condition);                                               \
        if (!holds && !fuzz::RanOutOfMemory()) ::fuzz::Fail(#condition, detail);     \
    } while (false)

using host::Document;
using host::Object;
using host::careless::Behaviour;

constexpr const char* kPoolNames[] = {"Body", "Rig", "", "Caf\xC3\xA9", "body", "Body ", "\xFF\xFE", "Lamp"};

// A row as a save writes it: each name as written (UTF-8) with the flags recorded for it,
// kShown, kHidden, or both when names the file form cannot tell apart were recorded.
constexpr unsigned kShown = 1, kHidden = 2;
using View = std::map<std::string, unsigned>;

unsigned Flag(bool visible) { return visible ? kShown : kHidden; }

// The name as the plug-in reads it: the host writes at most 249 bytes, and the plug-in
// stops at the first zero byte.
std::string SeenName(const std::string& name) { return name.substr(0, std::min(name.find('\0'), size_t{249})); }

// The name as a save writes it.
std::string Written(const std::string& seen) {
    return platform::Recode(platform::CodePage::Ansi, platform::CodePage::Utf8, seen);
}

std::string ViewsText(const std::vector<View>& views) {
    std::string text;
    for (size_t i = 0; i < views.size(); ++i) {
        text += "row " + std::to_string(i) + ":";
        for (const auto& [name, flags] : views[i]) text += " \"" + name + "\"=" + std::to_string(flags);
        text += "\n";
    }
    return text;
}

class Run : public host::careless::Stage {
public:
    explicit Run(fuzz::ByteReader& in) : in_(in) {}

    void Start() {
        fuzz::ResetAll(in_.Bit());
        host::TheWidgets().SetAnswerer([this](const host::MessageBoxRequest&) {
            // The action is taken before it runs, so a box it opens just answers.
            if (meanwhile_) RunMeanwhile();
            return answer_;
        });
        document_ = &host::OpenDocument();
        size_t count = in_.Pick(9);
        for (size_t i = 0; i < count; ++i) AddObject();
        host::TheWidgets().SetEventDocument(document_->handle());
        Send(MQEVENT_INITIALIZE, nullptr);
        Perform(Behaviour::ActivationOn);
        fuzz::CheckInvariants(true);
    }

    void Step() {
        answer_ = std::nullopt;
        lenient_ = host::TheWidgets().ArmedEvents() > 0;
        handlers_.Collect();
        std::string visibility = document_->VisibilityPicture();
        bool may_change_scene = false;
        bool rebuilt = false;
        size_t action = in_.Pick(21);
        const uint64_t fail_at = fuzz::ChooseFailure(in_);
        fuzz::OutOfMemory out_of_memory(fail_at);
        if (trace_) {
            std::fprintf(stderr, "step: action %zu, failing allocation %llu\n", action,
                         static_cast<unsigned long long>(fail_at));
        }
        switch (action) {
        case 0: case 1: case 2: case 3:
            rebuilt = ClickStore();
            may_change_scene = scene_may_change_;
            if (document_changed_) visibility = document_->VisibilityPicture();
            break;
        case 4: case 5:
            ClickRecall();
            may_change_scene = true;
            break;
        case 6:
            if (int32_t add = OnlyButton("Add"); add != 0) {
                rebuilt = host::TheWidgets().Press(add, document_->handle()).refused.empty();
            }
            break;
        case 7:
            if (host::FindWindowTitled("Lucid") != 0) {
                Perform(Behaviour::UserCloses);
                STRICT_CHECK(Send(MQEVENT_IS_ACTIVATED, nullptr) == 0, "closed, yet active");
            }
            break;
        case 8:
            Perform(Behaviour::ActivationOn);
            break;
        case 9:
            Perform(Behaviour::ActivationOff);
            break;
        case 10:
            if (Object* object = SomeObject()) object->SetVisible(!object->visible());
            may_change_scene = true;
            break;
        case 11:
            if (Object* object = SomeObject()) object->SetName(SomeName());
            break;
        case 12:
            if (Object* object = SomeObject()) document_->RemoveObject(object->place());
            visibility = document_->VisibilityPicture();
            break;
        case 13:
            AddObject();
            visibility = document_->VisibilityPicture();
            break;
        case 14:
            Save();
            break;
        case 15:
            Load();
            may_change_scene = true;
            rebuilt = true;
            break;
        case 16: case 17:
            RawEvent();
            may_change_scene = true;
            break;
        case 18:
            Perform(Behaviour::Exit);
            fuzz::CheckInvariants(false);
            Perform(Behaviour::Start);
            rebuilt = true;
            break;
        case 19:
            Arm();
            break;
        default:
            if (Object* object = SomeObject()) {
                object->SetAppendFilter(in_.Bit() ? 1 : 0);
                object->SetCounted(in_.Pick(4) != 0);
            }
            break;
        }
        if (!may_change_scene) STRICT_CHECK(document_->VisibilityPicture() == visibility, "the scene changed");
        fuzz::CheckInvariants(rebuilt && !lenient_);
        // An armed event that found no request in the step after it was armed is dropped.
        if (lenient_) host::TheWidgets().Disarm();
    }

    void Finish() {
        Perform(Behaviour::Exit);
        fuzz::CheckInvariants(false);
        host::TheWidgets().SetAnswerer(nullptr);
    }

    // ---- The stage of the careless host ----------------------------------------------

    int32_t Send(int32_t event, void* argument) override {
        const bool failed_before = fuzz::RanOutOfMemory();
        int32_t result = fuzz::SendEvent(document_->handle(), event, argument);
        send_ran_out_ = !failed_before && fuzz::RanOutOfMemory();
        return result;
    }
    Document& Current() override { return *document_; }
    size_t Pick(size_t count) override { return in_.Pick(count); }

    // The saved scene opened as a new document, as the host opens a file.
    Document& OpenAnother() override {
        document_ = &host::OpenDocument();
        for (const Place& place : saved_places_) {
            if (place.empty) {
                document_->AddEmptyPlace();
                continue;
            }
            Object& object = document_->AddObject(place.name, place.visible);
            object.SetAppendFilter(place.value262);
            object.SetCounted(place.counted);
        }
        return *document_;
    }

    std::unique_ptr<host::XmlElement> ElementFor(Document&) override {
        if (!saved_) return std::make_unique<host::XmlElement>("plugin");
        std::string error;
        std::unique_ptr<host::XmlElement> element = host::ParseXml(saved_text_, &error);
        if (element == nullptr) fuzz::Fail("the saved element reads back", error);
        return element;
    }

    void Saved(const host::XmlElement& element) override {
        if (send_ran_out_) {
            // The element is left as the host gave it; the scene saved before stays.
            FUZZ_CHECK(element.FirstChild() == nullptr, "a part of the slots written: " + host::WriteXml(element));
            return;
        }
        saved_text_ = host::WriteXml(element);
        saved_views_ = ViewsIn(element);
        saved_places_.clear();
        for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
            Place state;
            if (const Object* object = document_->ObjectAt(place)) {
                state = Place{false, object->name(), object->visible(), object->append_filter(), object->counted()};
            }
            saved_places_.push_back(state);
        }
        saved_ = true;
    }

    int32_t Elsewhere(Behaviour) override { return elsewhere_; }
    const host::careless::Handlers* KnownHandlers() override { return &handlers_; }

private:
    struct Place {
        bool empty = true;
        std::string name;
        bool visible = false;
        int32_t value262 = 0;
        bool counted = true;
    };

    std::string Perform(Behaviour behaviour) { return host::careless::Perform(behaviour, *this); }

    std::string SomeName() {
        std::string name = in_.Pick(4) == 0 ? in_.Bytes(8) : kPoolNames[in_.Pick(std::size(kPoolNames))];
        Named(name);
        return name;
    }

    // A name that does not come back from the file form as it was may share its written
    // form with another: rows holding that written form are not told apart by a save.
    void Named(const std::string& name) {
        std::string seen = SeenName(name);
        std::string written = Written(seen);
        if (platform::Recode(platform::CodePage::Utf8, platform::CodePage::Ansi, written) != seen) unsure_.insert(written);
    }

    bool Sure(const std::string& written) const { return unsure_.count(written) == 0; }

    // The view with the names a save cannot tell apart left out.
    View Told(View view) const {
        for (auto it = view.begin(); it != view.end();) it = Sure(it->first) ? std::next(it) : view.erase(it);
        return view;
    }

    bool Same(const std::vector<View>& a, const std::vector<View>& b) const {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (Told(a[i]) != Told(b[i])) return false;
        }
        return true;
    }

    void AddObject() {
        if (in_.Pick(6) == 0) return document_->AddEmptyPlace();
        Object& object = document_->AddObject(SomeName(), in_.Bit());
        object.SetAppendFilter(in_.Bit() ? 1 : 0);
        object.SetCounted(in_.Pick(6) != 0);
    }

    Object* SomeObject() {
        if (document_->PlaceCount() == 0) return nullptr;
        return document_->ObjectAt(static_cast<int32_t>(in_.Pick(static_cast<size_t>(document_->PlaceCount()))));
    }

    int32_t OnlyButton(const char* text) {
        std::vector<int32_t> found = fuzz::RowButtons(text);
        return found.empty() ? 0 : found.front();
    }

    std::optional<int32_t> SomeAnswer() {
        switch (in_.Pick(4)) {
        case 0: return std::nullopt;
        case 1: return 0;
        case 2: return 2;
        default: return 1;
        }
    }

    // The rows of a saved element.
    static std::vector<View> ViewsIn(const host::XmlElement& element) {
        std::vector<View> views;
        const host::XmlElement* store = element.FindChild("Store");
        for (const host::XmlElement* list = store != nullptr ? store->FirstChild() : nullptr; list != nullptr;
             list = list->NextSibling()) {
            View view;
            for (const host::XmlElement* entry = list->FirstChild(); entry != nullptr; entry = entry->NextSibling()) {
                const std::string* visible = entry->FindAttribute("visible");
                view[entry->Text()] |= Flag(visible != nullptr && *visible == "true");
            }
            views.push_back(std::move(view));
        }
        return views;
    }

    // The rows as the plug-in saves them now (a save is something a host does at any time).
    std::vector<View> Views() {
        host::XmlElement element("plugin");
        host::OptionList options;
        Send(MQEVENT_SAVE_DOCUMENT, host::DocumentOptions(options, &element, "look.scene", true).Array());
        return ViewsIn(element);
    }

    static View RowOf(const std::vector<View>& views, size_t row) { return row < views.size() ? views[row] : View(); }

    // The entries a store would record now: the counted objects, or when appending only
    // those the host admits; the last object of a name decides its flag.
    View Recordable(bool append) const {
        std::map<std::string, bool> seen;
        for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
            const Object* object = document_->ObjectAt(place);
            if (object == nullptr || !object->counted()) continue;
            if (append && object->append_filter() == 0) continue;
            seen[SeenName(object->name())] = object->visible();
        }
        View view;
        for (const auto& [name, visible] : seen) view[Written(name)] |= Flag(visible);
        return view;
    }

    // Arms an event to be raised from inside the plug-in's next matching widget request, as
    // a host raises events from inside its widget calls: "execute" on "Add", a click on an
    // "S" or "R", "hide" on the window, or any of those on a widget it was once given.
    void Arm() {
        const std::vector<int32_t>& all = host::careless::InsideOps();
        const std::vector<int32_t> ops(all.begin(), all.begin() + 4);  // deletions aside
        std::string event;
        int32_t target = 0;
        switch (in_.Pick(5)) {
        case 0:
            event = MQEVT_EXECUTE;
            target = OnlyButton("Add");
            break;
        case 1:
        case 2: {
            std::vector<int32_t> buttons = fuzz::RowButtons(in_.Bit() ? "S" : "R");
            event = MQEVT_LEFTDOWN;
            target = buttons.empty() ? 0 : buttons[in_.Pick(buttons.size())];
            break;
        }
        case 3:
            event = MQEVT_HIDE;
            target = host::FindWindowTitled("Lucid");
            break;
        default: {
            const std::vector<const char*>& names = host::careless::HostEventNames();
            event = names[in_.Pick(names.size())];
            const std::vector<host::careless::Handler>& known = handlers_.all();
            target = known.empty() ? 0 : known[in_.Pick(known.size())].widget;
            break;
        }
        }
        std::string what = host::careless::ArmInside(*this, ops, host::TheWidgets().Ids(), event, target);
        if (trace_) std::fprintf(stderr, "  %s\n", what.c_str());
    }

    // What the host does while the question of a click on "S" is open, in the order the
    // input picks them from; a click elsewhere goes to another row's "S" or to an "R".
    static constexpr Behaviour kMeanwhile[] = {
        Behaviour::Save,         Behaviour::ActivationOn, Behaviour::ActivationOff,  Behaviour::UserCloses,
        Behaviour::ClickElsewhere, Behaviour::ClickElsewhere, Behaviour::PressElsewhere, Behaviour::DocumentReplaced,
        Behaviour::Exit,         Behaviour::ExitAndStart, Behaviour::Start,          Behaviour::StaleHandler};

    // Runs inside the first box of a click, before it answers. `taken_` tells whether the
    // action takes the question away: a rebuild of the rows, a document load, an exit or
    // a start.
    void RunMeanwhile() {
        size_t index = *meanwhile_;
        meanwhile_.reset();
        Behaviour action = kMeanwhile[index];
        elsewhere_ = 0;
        if (action == Behaviour::ClickElsewhere && index == 4) {
            std::vector<int32_t> stores = fuzz::RowButtons("S");
            if (stores.size() >= 2) {
                size_t row = in_.Pick(stores.size() - 1);
                elsewhere_ = stores[row >= clicked_row_ ? row + 1 : row];
            }
        } else if (action == Behaviour::ClickElsewhere) {
            std::vector<int32_t> recalls = fuzz::RowButtons("R");
            if (!recalls.empty()) elsewhere_ = recalls[in_.Pick(recalls.size())];
        } else if (action == Behaviour::PressElsewhere) {
            elsewhere_ = OnlyButton("Add");
        } else if (action == Behaviour::DocumentReplaced && !saved_) {
            action = Behaviour::Load;  // nothing saved to open: the element of nothing again
        }
        // A press is refused on a button that is not shown, and then rebuilds nothing.
        const bool pressed = elsewhere_ != 0 && host::TheWidgets().IsShowing(elsewhere_);
        std::string what = Perform(action);
        if (trace_) std::fprintf(stderr, "  meanwhile %s\n", what.c_str());
        switch (action) {
        case Behaviour::PressElsewhere:
            taken_ = rebuilt_meanwhile_ = pressed;
            break;
        case Behaviour::Load:
        case Behaviour::DocumentReplaced:
            CheckLoaded();
            taken_ = rebuilt_meanwhile_ = true;
            break;
        case Behaviour::Exit:
        case Behaviour::ExitAndStart:
            taken_ = rebuilt_meanwhile_ = true;
            break;
        case Behaviour::Start:
            taken_ = true;
            break;
        case Behaviour::StaleHandler:
            unknown_ = true;  // the handler called may have done anything
            break;
        default:
            break;
        }
        if (!unknown_ && !lenient_) views_meanwhile_ = Views();
    }

    // Returns whether the rows were rebuilt meanwhile.
    bool ClickStore() {
        scene_may_change_ = false;
        document_changed_ = false;
        std::vector<int32_t> stores = fuzz::RowButtons("S");
        if (stores.empty()) return false;
        size_t row = in_.Pick(stores.size());
        host::Modifiers modifiers;
        modifiers.shift = in_.Bit();
        modifiers.ctrl = in_.Bit();
        size_t button = in_.Pick(4);
        host::MouseButton mouse = button == 2 ? host::MouseButton::Middle
                                  : button == 3 ? host::MouseButton::Right
                                                : host::MouseButton::Left;
        answer_ = SomeAnswer();
        if (in_.Pick(3) == 0) meanwhile_ = in_.Pick(std::size(kMeanwhile));
        const bool planned = meanwhile_.has_value();
        clicked_row_ = row;
        taken_ = false;
        unknown_ = false;
        rebuilt_meanwhile_ = false;

        host::WidgetModel& widgets = host::TheWidgets();
        bool was_down = widgets.Find(stores[row])->down;
        std::vector<View> before = lenient_ ? std::vector<View>() : Views();
        size_t boxes = widgets.MessageBoxes().size();
        Document* clicked_document = document_;
        host::EventOutcome outcome = widgets.MouseDown(stores[row], mouse, modifiers, document_->handle());
        bool asked = widgets.MessageBoxes().size() > boxes;
        bool ran_meanwhile = planned && !meanwhile_;  // RunMeanwhile takes it
        meanwhile_.reset();
        if (lenient_) return false;  // an event raised inside may have rebuilt the rows
        std::vector<View> after = Views();
        if (ran_meanwhile) {
            scene_may_change_ = true;
            document_changed_ = document_ != clicked_document;
            std::string what = "S of row " + std::to_string(row) + " with the host busy meanwhile\nafter:\n" +
                               ViewsText(after);
            STRICT_CHECK(outcome.deliveries == 0 || outcome.result == 0, what);
            if (unknown_) return false;
            if (taken_) {
                STRICT_CHECK(Same(after, views_meanwhile_), "a question went ahead after it was taken away\n" + what);
                return rebuilt_meanwhile_;
            }
            before = views_meanwhile_;
        }
        std::string what = "S of row " + std::to_string(row) + (modifiers.ctrl ? " ctrl" : "") +
                           (modifiers.shift ? " shift" : "") + "\nbefore:\n" + ViewsText(before) + "after:\n" +
                           ViewsText(after);

        if (!outcome.refused.empty() || mouse != host::MouseButton::Left) {
            STRICT_CHECK(outcome.deliveries == 0 || outcome.result == 0, what);
            STRICT_CHECK(!asked && Same(after, before), what);
            return false;
        }
        STRICT_CHECK(outcome.result == 0, what);
        STRICT_CHECK(asked == was_down, what);
        bool confirmed = !was_down || answer_ == 1;
        bool down = widgets.Find(stores[row])->down;
        if (!confirmed) {
            STRICT_CHECK(Same(after, before) && down == was_down, what);
            return false;
        }
        View now = RowOf(after, row);
        if (modifiers.ctrl) {
            View admitted = Recordable(true);
            View earlier = RowOf(before, row);
            for (const auto& [name, flags] : Told(admitted)) {
                auto found = now.find(name);
                STRICT_CHECK(found != now.end() && found->second == flags, what);
            }
            for (const auto& [name, flags] : Told(now)) {
                auto kept = earlier.find(name);
                STRICT_CHECK(admitted.count(name) != 0 || (kept != earlier.end() && kept->second == flags), what);
            }
            STRICT_CHECK(down, what);
        } else if (modifiers.shift) {
            STRICT_CHECK(now.empty() && !down, what);
        } else {
            STRICT_CHECK(Told(now) == Told(Recordable(false)) && down, what);
        }
        return false;
    }

    void ClickRecall() {
        std::vector<int32_t> recalls = fuzz::RowButtons("R");
        if (recalls.empty()) return;
        size_t row = in_.Pick(recalls.size());
        host::Modifiers modifiers;
        modifiers.shift = in_.Bit();
        modifiers.ctrl = in_.Bit();
        host::MouseButton mouse = in_.Pick(4) == 3 ? host::MouseButton::Right : host::MouseButton::Left;
        if (lenient_) {
            host::TheWidgets().MouseDown(recalls[row], mouse, modifiers, document_->handle());
            return;
        }
        std::vector<View> before = Views();
        View view = RowOf(before, row);
        std::string visibility = document_->VisibilityPicture();
        host::EventOutcome outcome = host::TheWidgets().MouseDown(recalls[row], mouse, modifiers, document_->handle());
        std::string what = "R of row " + std::to_string(row) + ": " + visibility + " -> " +
                           document_->VisibilityPicture() + "\n" + ViewsText(before);
        STRICT_CHECK(Same(Views(), before), what);
        if (!outcome.refused.empty() || mouse != host::MouseButton::Left) {
            STRICT_CHECK(document_->VisibilityPicture() == visibility, what);
            return;
        }
        STRICT_CHECK(outcome.result == (view.empty() ? 0 : 1), what);
        for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
            const Object* object = document_->ObjectAt(place);
            if (object == nullptr) continue;
            std::string written = Written(SeenName(object->name()));
            if (!Sure(written)) continue;
            auto found = view.find(written);
            bool was_visible = visibility[static_cast<size_t>(place)] == '1';
            bool expected = found != view.end() && object->counted() ? found->second == kShown : was_visible;
            STRICT_CHECK(object->visible() == expected, what + "at #" + std::to_string(place));
        }
    }

    // The host calls a handler it was given once, with options of its own making: the
    // widget may be gone, its id reused, and the event name not the one registered.
    void RawEvent() {
        if (handlers_.empty()) return;
        answer_ = SomeAnswer();
        std::vector<View> views = lenient_ ? std::vector<View>() : Views();
        std::string visibility = document_->VisibilityPicture();
        Perform(Behaviour::StaleHandler);
        if (lenient_) return;

        // Whatever the event did, a changed object took a flag that a row recorded for its name.
        for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
            const Object* object = document_->ObjectAt(place);
            if (object == nullptr || object->visible() == (visibility[static_cast<size_t>(place)] == '1')) continue;
            std::string written = Written(SeenName(object->name()));
            bool explained = !Sure(written);
            for (const View& view : views) {
                auto found = view.find(written);
                explained = explained || (found != view.end() && (found->second & Flag(object->visible())) != 0);
            }
            STRICT_CHECK(explained, "an event changed #" + std::to_string(place) + " that no row names");
        }
    }

    // A save, and a second one right after it: the first changed nothing that a save writes.
    void Save() {
        Perform(Behaviour::Save);
        std::string first = saved_text_;
        if (lenient_) return;
        Perform(Behaviour::Save);
        STRICT_CHECK(saved_text_ == first, "a save changed what the next save writes:\n" + first + "\n" + saved_text_);
    }

    // Opens the saved scene as a new document (or, before any save, hands the plug-in an
    // element without rows), as the host does when it opens a file.
    void Load() {
        Perform(saved_ ? Behaviour::DocumentReplaced : Behaviour::Load);
        CheckLoaded();
    }

    // After a load of the saved element (or of one without rows): the rows are what the
    // save wrote.
    void CheckLoaded() {
        if (lenient_) return;
        std::vector<View> expected = saved_ ? saved_views_ : std::vector<View>();
        std::vector<View> loaded = Views();
        STRICT_CHECK(Same(loaded, expected), "loaded:\n" + ViewsText(loaded) + "saved:\n" + ViewsText(expected));
    }

    fuzz::ByteReader& in_;
    // FUZZ_TRACE=1 prints each action, for reading a crash input.
    const bool trace_ = std::getenv("FUZZ_TRACE") != nullptr;
    Document* document_ = nullptr;
    std::optional<int32_t> answer_;
    bool lenient_ = false;
    // Whether the chosen allocation failed inside the last event sent.
    bool send_ran_out_ = false;
    // The host's action for the next box (an index into kMeanwhile), and what came of it.
    std::optional<size_t> meanwhile_;
    int32_t elsewhere_ = 0;
    bool taken_ = false;
    bool unknown_ = false;
    bool rebuilt_meanwhile_ = false;
    size_t clicked_row_ = 0;
    std::vector<View> views_meanwhile_;
    bool scene_may_change_ = false;
    bool document_changed_ = false;
    host::careless::Handlers handlers_{256};
    std::set<std::string> unsure_;
    bool saved_ = false;
    std::string saved_text_;
    std::vector<View> saved_views_;
    std::vector<Place> saved_places_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    Run run(in);
    run.Start();
    for (int step = 0; step < 64 && !in.empty(); ++step) run.Step();
    run.Finish();
    return 0;
}
