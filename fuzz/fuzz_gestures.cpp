// The second door: widget events, as a user's gestures and a careless host raise them.
// The input decodes to a run of actions on a started plug-in and a small scene: clicks on
// "S" and "R" with every mouse button and modifier, confirmations answered either way or
// not at all, "Add", closing and opening the window, showing, hiding, renaming, adding and
// deleting objects, saving and loading the document, restarting the plug-in, and events
// the host sends on its own to handlers it was once given, on widgets that may be gone and
// under any event name. After every step:
// - the invariants of fuzz::CheckInvariants hold (exactly, right after the rows were
//   rebuilt);
// - a store records exactly the counted objects (the admitted ones when appending, on top
//   of what the slot held), a clear empties the slot, a refused confirmation changes
//   nothing, and a box is asked exactly when the button was down;
// - a recall changes only objects whose names the slot holds, to the recorded flag, and
//   answers 1 exactly when the slot holds entries;
// - nothing else changes the scene's visibility.
// The host is not polite either: while a confirmation is open it may run a nested loop
// and deliver saves, activation, a close, clicks on other buttons, "Add", document loads,
// exits and starts before the box answers. A question that lost its window, its rows or
// its document meanwhile changes nothing; one that lost none of them goes ahead. And it
// may raise events from inside the plug-in's own widget calls; through those only the
// invariants are checked.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "host/binds/documents.h"
#include "host/binds/widgets/widgets.h"
#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/drive/widget_queries.h"
#include "host/files/xml_file.h"
#include "platform/platform.h"
#include "slots/pellucid.h"

namespace {

// A check of what a gesture did, made only while no event is armed to be raised from
// inside the plug-in's widget calls: such an event may do anything a handler does, and
// only the invariants hold through it.
#define STRICT_CHECK(condition, detail) \
    do {                                 \
        if (!lenient_) FUZZ_CHECK(condition, detail); \
    } while (false)

using host::Document;
using host::Object;

constexpr const char* kPoolNames[] = {"Body", "Rig", "", "Caf\xC3\xA9", "body", "Body ", "\xFF\xFE", "Lamp"};

constexpr const char* kEventNames[] = {"leftdown", "leftup", "execute", "hide", "keydown", "keyup",
                                       "paint",    "mousewheel", "rightdown", "middledown", ""};

struct Registration {
    int32_t widget;
    std::string type;
    MQWidgetEventProc_Fn* proc;
    void* pointer;
};

struct Place {
    bool empty = true;
    std::string name;
    bool visible = false;
    int32_t value262 = 0;
    bool counted = true;
};

// The name as the plug-in reads it: the host writes at most 249 bytes, and the plug-in
// stops at the first zero byte.
std::string SeenName(const std::string& name) { return name.substr(0, std::min(name.find('\0'), size_t{249})); }

// The name as it comes back from a document file: through UTF-16 and back.
std::string ThroughFile(const std::string& name) {
    return platform::FromWide(platform::CodePage::Ansi, platform::ToWide(platform::CodePage::Ansi, name.c_str()).c_str());
}

std::vector<Slot> ThroughFile(const std::vector<Slot>& slots) {
    std::vector<Slot> result;
    for (const Slot& slot : slots) {
        Slot converted;
        for (const auto& [name, visible] : slot) converted.emplace(ThroughFile(name), visible);
        result.push_back(std::move(converted));
    }
    return result;
}

class Run {
public:
    explicit Run(fuzz::ByteReader& in) : in_(in) {}

    void Start() {
        fuzz::ResetAll(in_.Bit());
        host::TheWidgets().SetAnswerer([this](const host::MessageBoxRequest&) {
            // The action is taken before it runs, so a box it opens just answers.
            if (meanwhile_ != Meanwhile::None) RunMeanwhile();
            return answer_;
        });
        document_ = &host::OpenDocument();
        size_t count = in_.Pick(9);
        for (size_t i = 0; i < count; ++i) AddObject();
        host::TheWidgets().SetEventDocument(document_->handle());
        fuzz::SendEvent(document_->handle(), MQEVENT_INITIALIZE, nullptr);
        Activate(1);
        fuzz::CheckInvariants(true);
    }

    void Step() {
        answer_ = std::nullopt;
        lenient_ = host::TheWidgets().ArmedEvents() > 0;
        Collect();
        std::string visibility = document_->VisibilityPicture();
        bool may_change_scene = false;
        bool rebuilt = false;
        size_t action = in_.Pick(21);
        if (trace_) std::fprintf(stderr, "step: action %zu\n", action);
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
            if (int32_t window = host::FindWindowTitled("Lucid"); window != 0) {
                host::EventOutcome outcome = host::TheWidgets().CloseWindow(window, document_->handle());
                if (outcome.refused.empty()) STRICT_CHECK(!fuzz::ThePlugin().active, "closed, yet active");
            }
            break;
        case 8:
            Activate(1);
            break;
        case 9:
            Activate(0);
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
            fuzz::SendEvent(document_->handle(), MQEVENT_EXIT, nullptr);
            fuzz::CheckInvariants(false);
            fuzz::SendEvent(document_->handle(), MQEVENT_INITIALIZE, nullptr);
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
        fuzz::SendEvent(document_->handle(), MQEVENT_EXIT, nullptr);
        fuzz::CheckInvariants(false);
        host::TheWidgets().SetAnswerer(nullptr);
    }

private:
    Pellucid& plugin() { return fuzz::ThePlugin(); }

    void Activate(int32_t flag) { fuzz::SendEvent(document_->handle(), MQEVENT_ACTIVATE, &flag); }

    std::string SomeName() {
        return in_.Pick(4) == 0 ? in_.Bytes(8) : kPoolNames[in_.Pick(std::size(kPoolNames))];
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

    // Every handler the plug-in ever registered in this run, so that the host can call
    // them after their widgets are gone.
    void Collect() {
        host::WidgetModel& widgets = host::TheWidgets();
        for (int32_t id : widgets.Ids()) {
            for (const host::WidgetEventRegistration& event : widgets.Find(id)->events) {
                bool known = false;
                for (const Registration& seen : seen_) {
                    known = known || (seen.widget == id && seen.pointer == event.pointer && seen.type == event.type);
                }
                if (!known && seen_.size() < 256) seen_.push_back(Registration{id, event.type, event.proc, event.pointer});
            }
        }
    }

    std::optional<int32_t> SomeAnswer() {
        switch (in_.Pick(4)) {
        case 0: return std::nullopt;
        case 1: return 0;
        case 2: return 2;
        default: return 1;
        }
    }

    // The entries a store would record now: the counted objects, or when appending only
    // those the host admits; the last object of a name decides its flag.
    Slot Recordable(bool append) const {
        Slot slot;
        for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
            const Object* object = document_->ObjectAt(place);
            if (object == nullptr || !object->counted()) continue;
            if (append && object->append_filter() == 0) continue;
            slot[SeenName(object->name())] = object->visible();
        }
        return slot;
    }

    Slot SlotAt(size_t row) const {
        const std::vector<Slot>& slots = fuzz::ThePlugin().slots;
        return row < slots.size() ? slots[row] : Slot();
    }

    // Arms an event to be raised from inside the plug-in's next matching widget request, as
    // a host raises events from inside its widget calls: "execute" on "Add", a click on an
    // "S" or "R", "hide" on the window, or any of those on a widget it was once given.
    void Arm() {
        constexpr int32_t kOps[] = {MQWIDGET_SET_VALUE, MQWIDGET_GET_VALUE, MQWIDGET_ADD_CHILD, MQWIDGET_CREATE};
        constexpr const char* kKeys[] = {"", MQKEY_DOWN, MQKEY_TEXT, MQKEY_VISIBLE, MQKEY_JUSTSIZE};
        host::InsideEvent event;
        event.op = kOps[in_.Pick(std::size(kOps))];
        if (event.op == MQWIDGET_SET_VALUE || event.op == MQWIDGET_GET_VALUE) event.key = kKeys[in_.Pick(std::size(kKeys))];
        std::vector<int32_t> ids = host::TheWidgets().Ids();
        if (in_.Bit() && !ids.empty()) event.widget = ids[in_.Pick(ids.size())];
        switch (in_.Pick(5)) {
        case 0:
            event.event = MQEVT_EXECUTE;
            event.target = OnlyButton("Add");
            break;
        case 1:
        case 2: {
            std::vector<int32_t> buttons = fuzz::RowButtons(in_.Bit() ? "S" : "R");
            event.event = MQEVT_LEFTDOWN;
            event.target = buttons.empty() ? 0 : buttons[in_.Pick(buttons.size())];
            break;
        }
        case 3:
            event.event = MQEVT_HIDE;
            event.target = host::FindWindowTitled("Lucid");
            break;
        default:
            event.event = kEventNames[in_.Pick(std::size(kEventNames))];
            event.target = seen_.empty() ? 0 : seen_[in_.Pick(seen_.size())].widget;
            break;
        }
        if (trace_) std::fprintf(stderr, "  armed %s on %d inside op 0x%x\n", event.event.c_str(), event.target, event.op);
        host::TheWidgets().RaiseInside(std::move(event));
    }

    // What the host does while the question of a click on "S" is open.
    enum class Meanwhile { None, Save, Show, Hide, Close, OtherStore, Recall, Add, Load, Exit, ExitAndStart, Start, Raw };
    static constexpr size_t kMeanwhileKinds = 12;

    // Runs inside the first box of a click, before it answers. `taken_` tells whether the
    // action takes the question away: a rebuild of the rows, a document load, an exit or
    // a start.
    void RunMeanwhile() {
        Meanwhile action = meanwhile_;
        meanwhile_ = Meanwhile::None;
        if (trace_) std::fprintf(stderr, "  meanwhile %d\n", static_cast<int>(action));
        switch (action) {
        case Meanwhile::None:
            break;
        case Meanwhile::Save:
            Save();
            break;
        case Meanwhile::Show:
            Activate(1);
            break;
        case Meanwhile::Hide:
            Activate(0);
            break;
        case Meanwhile::Close:
            if (int32_t window = host::FindWindowTitled("Lucid"); window != 0) {
                host::TheWidgets().CloseWindow(window, document_->handle());
            }
            break;
        case Meanwhile::OtherStore: {
            std::vector<int32_t> stores = fuzz::RowButtons("S");
            if (stores.size() < 2) break;
            size_t row = in_.Pick(stores.size() - 1);
            if (row >= clicked_row_) ++row;
            host::Modifiers modifiers;
            modifiers.shift = in_.Bit();
            modifiers.ctrl = in_.Bit();
            host::TheWidgets().MouseDown(stores[row], host::MouseButton::Left, modifiers, document_->handle());
            break;
        }
        case Meanwhile::Recall:
            if (std::vector<int32_t> recalls = fuzz::RowButtons("R"); !recalls.empty()) {
                host::TheWidgets().MouseDown(recalls[in_.Pick(recalls.size())], host::MouseButton::Left, {},
                                             document_->handle());
            }
            break;
        case Meanwhile::Add:
            if (int32_t add = OnlyButton("Add"); add != 0) {
                taken_ = host::TheWidgets().Press(add, document_->handle()).refused.empty();
                rebuilt_meanwhile_ = taken_;
            }
            break;
        case Meanwhile::Load:
            Load();
            taken_ = rebuilt_meanwhile_ = true;
            break;
        case Meanwhile::Exit:
            fuzz::SendEvent(document_->handle(), MQEVENT_EXIT, nullptr);
            taken_ = rebuilt_meanwhile_ = true;
            break;
        case Meanwhile::ExitAndStart:
            fuzz::SendEvent(document_->handle(), MQEVENT_EXIT, nullptr);
            fuzz::SendEvent(document_->handle(), MQEVENT_INITIALIZE, nullptr);
            taken_ = rebuilt_meanwhile_ = true;
            break;
        case Meanwhile::Start:
            fuzz::SendEvent(document_->handle(), MQEVENT_INITIALIZE, nullptr);
            taken_ = true;
            break;
        case Meanwhile::Raw:
            RawEvent();
            unknown_ = true;  // the handler called may have done anything
            break;
        }
        slots_meanwhile_ = plugin().slots;
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
        meanwhile_ = in_.Pick(3) == 0 ? static_cast<Meanwhile>(1 + in_.Pick(kMeanwhileKinds)) : Meanwhile::None;
        const bool planned = meanwhile_ != Meanwhile::None;
        clicked_row_ = row;
        taken_ = false;
        unknown_ = false;
        rebuilt_meanwhile_ = false;

        host::WidgetModel& widgets = host::TheWidgets();
        bool was_down = widgets.Find(stores[row])->down;
        std::vector<Slot> before = plugin().slots;
        size_t boxes = widgets.MessageBoxes().size();
        Document* clicked_document = document_;
        host::EventOutcome outcome = widgets.MouseDown(stores[row], mouse, modifiers, document_->handle());
        bool asked = widgets.MessageBoxes().size() > boxes;
        bool ran_meanwhile = planned && meanwhile_ == Meanwhile::None;  // RunMeanwhile takes it
        meanwhile_ = Meanwhile::None;
        if (ran_meanwhile) {
            scene_may_change_ = true;
            document_changed_ = document_ != clicked_document;
            std::string what = "S of row " + std::to_string(row) + " with the host busy meanwhile\nafter:\n" +
                               fuzz::SlotsText(plugin().slots);
            STRICT_CHECK(outcome.deliveries == 0 || outcome.result == 0, what);
            if (unknown_) return false;
            if (taken_) {
                STRICT_CHECK(plugin().slots == slots_meanwhile_, "a question went ahead after it was taken away\n" + what);
                return rebuilt_meanwhile_;
            }
            before = slots_meanwhile_;
        }
        if (lenient_) return false;  // an event raised inside may have rebuilt the rows
        std::string what = "S of row " + std::to_string(row) + (modifiers.ctrl ? " ctrl" : "") +
                           (modifiers.shift ? " shift" : "") + "\nbefore:\n" + fuzz::SlotsText(before) +
                           "after:\n" + fuzz::SlotsText(plugin().slots);

        if (!outcome.refused.empty() || mouse != host::MouseButton::Left) {
            STRICT_CHECK(outcome.deliveries == 0 || outcome.result == 0, what);
            STRICT_CHECK(!asked && plugin().slots == before, what);
            return false;
        }
        STRICT_CHECK(outcome.result == 0, what);
        STRICT_CHECK(asked == was_down, what);
        bool confirmed = !was_down || answer_ == 1;
        bool down = widgets.Find(stores[row])->down;
        if (!confirmed) {
            STRICT_CHECK(plugin().slots == before && down == was_down, what);
            return false;
        }
        Slot now = SlotAt(row);
        if (modifiers.ctrl) {
            Slot admitted = Recordable(true);
            Slot earlier = row < before.size() ? before[row] : Slot();
            for (const auto& [name, visible] : admitted) {
                auto found = now.find(name);
                STRICT_CHECK(found != now.end() && found->second == visible, what);
            }
            for (const auto& [name, visible] : now) {
                auto kept = earlier.find(name);
                STRICT_CHECK(admitted.count(name) != 0 || (kept != earlier.end() && kept->second == visible), what);
            }
            STRICT_CHECK(down, what);
        } else if (modifiers.shift) {
            STRICT_CHECK(now.empty() && !down, what);
        } else {
            STRICT_CHECK(now == Recordable(false) && down, what);
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
        std::vector<Slot> before = plugin().slots;
        Slot slot = SlotAt(row);
        std::string visibility = document_->VisibilityPicture();
        host::EventOutcome outcome = host::TheWidgets().MouseDown(recalls[row], mouse, modifiers, document_->handle());
        std::string what = "R of row " + std::to_string(row) + ": " + visibility + " -> " +
                           document_->VisibilityPicture() + "\n" + fuzz::SlotsText(before);
        STRICT_CHECK(plugin().slots == before, what);
        if (!outcome.refused.empty() || mouse != host::MouseButton::Left) {
            STRICT_CHECK(document_->VisibilityPicture() == visibility, what);
            return;
        }
        STRICT_CHECK(outcome.result == (slot.empty() ? 0 : 1), what);
        for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
            const Object* object = document_->ObjectAt(place);
            if (object == nullptr) continue;
            auto found = slot.find(SeenName(object->name()));
            bool was_visible = visibility[static_cast<size_t>(place)] == '1';
            bool expected = found != slot.end() && object->counted() ? found->second : was_visible;
            STRICT_CHECK(object->visible() == expected, what + "at #" + std::to_string(place));
        }
    }

    // The host calls a handler it was given once, with options of its own making: the
    // widget may be gone, its id reused, and the event name not the one registered.
    void RawEvent() {
        if (seen_.empty()) return;
        const Registration& target = seen_[in_.Pick(seen_.size())];
        std::string type = in_.Pick(3) != 0 ? target.type : kEventNames[in_.Pick(std::size(kEventNames))];
        auto some_id = [&]() -> int32_t {
            switch (in_.Pick(4)) {
            case 0: return 0;
            case 1: return seen_[in_.Pick(seen_.size())].widget;
            default: return target.widget;
            }
        };
        host::OptionList options;
        if (in_.Pick(8) != 0) options.Text("type", type);
        if (in_.Pick(8) != 0) options.Int("target_id", some_id());
        if (in_.Pick(4) != 0) options.Int("sender_id", some_id());
        if (in_.Bit()) options.Int("button_state", in_.Byte());
        if (in_.Pick(4) == 0) options.Null("canvas");
        answer_ = SomeAnswer();
        std::vector<Slot> slots = plugin().slots;
        std::string visibility = document_->VisibilityPicture();
        target.proc(document_->handle(), options.Array(), target.pointer);

        // Whatever the event did, a changed object took a flag that a slot recorded for its name.
        for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
            const Object* object = document_->ObjectAt(place);
            if (object == nullptr || object->visible() == (visibility[static_cast<size_t>(place)] == '1')) continue;
            bool explained = false;
            for (const Slot& slot : slots) {
                auto found = slot.find(SeenName(object->name()));
                explained = explained || (found != slot.end() && found->second == object->visible());
            }
            STRICT_CHECK(explained, "an event changed #" + std::to_string(place) + " that no slot names");
        }
    }

    void Save() {
        std::vector<Slot> before = plugin().slots;
        host::XmlElement element("plugin");
        host::OptionList options;
        options.Pointer("xml_elem", &element).Text("filename", "gestures.scene").Int("save_uid", 0);
        fuzz::SendEvent(document_->handle(), MQEVENT_SAVE_DOCUMENT, options.Array());
        STRICT_CHECK(plugin().slots == fuzz::Trimmed(before), "a save changed more than the empty slots at the end");
        saved_text_ = host::WriteXml(element);
        saved_slots_ = ThroughFile(plugin().slots);
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

    // Opens the saved scene as a new document (or, before any save, hands the plug-in an
    // element without slots), as the host does when it opens a file.
    void Load() {
        std::unique_ptr<host::XmlElement> element = std::make_unique<host::XmlElement>("plugin");
        if (saved_) {
            std::string error;
            element = host::ParseXml(saved_text_, &error);
            STRICT_CHECK(element != nullptr, error);
            Document* previous = document_;
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
            host::CloseDocument(*previous);
            host::TheWidgets().SetEventDocument(document_->handle());
        }
        host::OptionList options;
        options.Pointer("xml_elem", element.get()).Text("filename", "gestures.scene");
        fuzz::SendEvent(document_->handle(), MQEVENT_LOAD_DOCUMENT, options.Array());
        std::vector<Slot> expected = saved_ ? saved_slots_ : std::vector<Slot>();
        STRICT_CHECK(plugin().slots == expected,
                   "loaded:\n" + fuzz::SlotsText(plugin().slots) + "saved:\n" + fuzz::SlotsText(expected));
    }

    fuzz::ByteReader& in_;
    // FUZZ_TRACE=1 prints each action, for reading a crash input.
    const bool trace_ = std::getenv("FUZZ_TRACE") != nullptr;
    Document* document_ = nullptr;
    std::optional<int32_t> answer_;
    bool lenient_ = false;
    // The host's action for the next box, and what came of it.
    Meanwhile meanwhile_ = Meanwhile::None;
    bool taken_ = false;
    bool unknown_ = false;
    bool rebuilt_meanwhile_ = false;
    size_t clicked_row_ = 0;
    std::vector<Slot> slots_meanwhile_;
    bool scene_may_change_ = false;
    bool document_changed_ = false;
    std::vector<Registration> seen_;
    bool saved_ = false;
    std::string saved_text_;
    std::vector<Slot> saved_slots_;
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
