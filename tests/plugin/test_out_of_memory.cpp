// Out of memory inside the host: every operation of the plug-in, run once to count its
// allocations and then once for each of them with that one failing, must leave the host
// whole and the plug-in's state either as it was or wholly done. What is checked is the
// host's side: its widgets, its XML trees, its settings and its register of broken rules,
// with the plug-in's slot list beside them.
//
// Built twice: as it is, every sweep must find nothing; with the planted partial store
// (PELLUCID_PLANTED_PARTIAL_STORE, an overwrite that empties the slot before it fills it)
// the sweep of that overwrite must find it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "host/binds/documents.h"
#include "host/binds/host.h"
#include "host/binds/settings.h"
#include "host/binds/widgets/widgets.h"
#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/drive/plugin_module.h"
#include "host/drive/widget_queries.h"
#include "host/records/breaches.h"
#include "plugin/dispatch.h"
#include "plugin/host_api.h"
#include "slots/pellucid.h"
#include "slots/pellucid_window.h"
#include "support/failing_allocator.h"
#include "widgets/widget_base.h"

namespace {

namespace fa = failing_allocator;

constexpr const char* kSection = "Plugin-7C4B21D9-3E8A6F12";

// Names long enough to live outside a string's own room, as a modeller's mostly are.
std::string Name(const std::string& stem, int i) { return stem + "_part_with_a_long_name_" + std::to_string(i); }

// A slot list as plain data, to compare before and after.
using Picture = std::vector<std::map<std::string, bool>>;

Picture PictureOf(const std::vector<Slot>& slots) {
    Picture picture;
    for (const Slot& slot : slots) picture.emplace_back(slot.begin(), slot.end());
    return picture;
}

std::string Text(const Picture& picture) {
    std::string text;
    for (size_t i = 0; i < picture.size(); ++i) {
        text += "[" + std::to_string(i) + ": " + std::to_string(picture[i].size()) + " entries]";
    }
    return text.empty() ? "[no slots]" : text;
}

// An element tree as text, children in order.
std::string TreeText(const host::XmlElement& element) {
    std::string text = "<" + element.Name();
    for (const auto& [name, value] : element.Attributes()) text += " " + name + "=\"" + value + "\"";
    text += ">" + element.Text();
    for (const host::XmlElement* child = element.FirstChild(); child != nullptr; child = child->NextSibling()) {
        text += TreeText(*child);
    }
    return text + "</" + element.Name() + ">";
}

// One run: a fresh host with two documents of `objects` objects each (the second with
// other names, of which the even ones are the first's), the first ending in an object
// with the empty name, and a plug-in object bound to it, its window shown when started.
class Session {
public:
    explicit Session(int objects = 0) {
        host::ResetHost();
        EXPECT_EQ(BindHostApi(host::HostModuleFile().c_str()), 1);
        fa::InterposeHost();
        first = &host::OpenDocument();
        second = &host::OpenDocument();
        for (int i = 0; i < objects; ++i) {
            first->AddObject(Name("first", i), i % 3 != 0).SetAppendFilter(1);
            second->AddObject(i % 2 == 0 ? Name("first", i) : Name("second", i), i % 3 == 0).SetAppendFilter(1);
        }
        if (objects > 0) first->AddObject("", true).SetAppendFilter(1);
        widgets().SetEventDocument(first->handle());
        plugin = std::make_unique<Pellucid>();
    }
    ~Session() {
        plugin.reset();
        host::ResetHost();
        g_host = MQHostApi{};
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    static host::WidgetModel& widgets() { return host::TheWidgets(); }

    int32_t Event(int32_t event, void* argument, host::Document* document = nullptr) {
        MQDocument handle = (document != nullptr ? document : first)->handle();
        return fa::AsPlugin([&] { return DispatchEvent(plugin.get(), handle, event, argument); });
    }

    // Starts the plug-in with its window shown at (10, 20), as the settings say; the
    // start's result.
    int32_t Start() {
        host::XmlElement& section = host::PluginSettings().AppendChild(kSection);
        section.AppendChild("Pellucid_activate").SetText("1");
        section.AppendChild("PosX").SetText("10");
        section.AppendChild("PosY").SetText("20");
        return Event(MQEVENT_INITIALIZE, nullptr);
    }

    static int32_t Window() { return host::FindWindowTitled("Lucid"); }
    static std::vector<int32_t> Buttons(const char* text) {
        return Window() != 0 ? host::FindButtons(Window(), text) : std::vector<int32_t>();
    }

    // A left click on row `row`'s "S" (or "R") button, on `document`; `answer` is queued
    // for the question it may ask.
    host::EventOutcome ClickStore(size_t row, host::Document* document, host::Modifiers modifiers = {}) {
        widgets().QueueAnswer(MQBOX_OK);
        host::EventOutcome outcome =
            widgets().MouseDown(Buttons("S").at(row), host::MouseButton::Left, modifiers, document->handle());
        widgets().DropAnswers();
        return outcome;
    }
    host::EventOutcome ClickRecall(size_t row, host::Document* document) {
        return widgets().MouseDown(Buttons("R").at(row), host::MouseButton::Left, {}, document->handle());
    }
    host::EventOutcome PressAdd() { return widgets().Press(Buttons("Add").at(0), first->handle()); }

    int32_t Load(host::XmlElement& element) {
        host::OptionList options;
        options.Pointer("xml_elem", &element).Text("filename", "scene.mqo");
        return Event(MQEVENT_LOAD_DOCUMENT, options.Array());
    }
    int32_t Save(host::XmlElement& element) {
        host::OptionList options;
        options.Pointer("xml_elem", &element).Text("filename", "scene.mqo").Int("save_uid", 0);
        return Event(MQEVENT_SAVE_DOCUMENT, options.Array());
    }

    std::string Settings() const {
        const host::XmlElement* section = host::PluginSettings().FindChild(kSection);
        return section != nullptr ? TreeText(*section) : "(no section)";
    }

    // What must hold after every run, failed or not: no rule of the host broken; while
    // the window exists, as many rows as the row count, each with its two buttons and
    // their handlers, one "Add", every widget with a wrapper, and each "S" button down
    // exactly when its slot holds entries; without a window, no widget but the host's main
    // window and no wrapper. "" when all holds.
    std::string Whole() const {
        std::string breaches = host::TheBreaches().Text();
        if (!breaches.empty()) return "rules broken: " + breaches;
        std::vector<int32_t> others;
        for (int32_t id : widgets().Ids()) {
            if (id != widgets().MainWindow()) others.push_back(id);
        }
        if (plugin->window == nullptr) {
            if (!others.empty()) return std::to_string(others.size()) + " widgets left without a window";
            if (MQWidgetBase::RegisteredWidgetCount() != 0) return "wrappers left without a window";
            return "";
        }
        for (int32_t id : others) {
            if (MQWidgetBase::FindWidget(id) == nullptr) return "widget " + std::to_string(id) + " has no wrapper";
        }
        std::vector<int32_t> stores = Buttons("S"), recalls = Buttons("R");
        auto rows = static_cast<size_t>(plugin->rowCount);
        if (stores.size() != rows || recalls.size() != rows) {
            return std::to_string(stores.size()) + " rows shown for a row count of " + std::to_string(rows);
        }
        if (Buttons("Add").size() != 1) return "not one Add button";
        for (size_t row = 0; row < rows; ++row) {
            for (int32_t id : {stores[row], recalls[row]}) {
                const host::Widget* button = widgets().Find(id);
                if (button->events.size() != 1 || button->events[0].type != MQEVT_LEFTDOWN) {
                    return "row " + std::to_string(row) + " has a button without its handler";
                }
            }
            bool holds = plugin->SlotHoldsEntries(static_cast<Row>(row));
            if (widgets().Find(stores[row])->down != holds) {
                return "row " + std::to_string(row) + (holds ? " holds entries, its S is up" : " is empty, its S is down");
            }
        }
        return "";
    }

    Picture Slots() const { return PictureOf(plugin->slots); }

    host::Document* first = nullptr;
    host::Document* second = nullptr;
    std::unique_ptr<Pellucid> plugin;
};

// What a sweep saw: the allocations of the operation run through, the runs in which the
// chosen allocation failed, and what was wrong after each run that left a fault.
struct Sweep {
    uint64_t allocations = 0;
    uint64_t failed = 0;
    std::vector<std::string> faults;

    // Prints what was swept, for the record of a run.
    void Print(const char* operation, int objects) const {
        std::printf("%s, %d objects: %llu allocations, each failed once, %zu faults\n", operation, objects,
                    static_cast<unsigned long long>(allocations), faults.size());
    }

    std::string Faults() const {
        std::string text;
        for (size_t i = 0; i < faults.size() && i < 8; ++i) text += faults[i] + "\n";
        if (faults.size() > 8) text += "... " + std::to_string(faults.size() - 8) + " more\n";
        return text;
    }
};

// Runs the operation once in a fresh session to count its allocations, then once per
// allocation with that one failing. `prepare` makes the state before the operation,
// `remember` notes what the check needs of it, `operate` runs the operation and returns the
// event's result, and `check` says what is wrong after a failed run ("" for nothing).
template <typename Memory>
Sweep SweepOperation(int objects, const std::function<void(Session&)>& prepare,
                     const std::function<Memory(const Session&)>& remember,
                     const std::function<int32_t(Session&, Memory&)>& operate,
                     const std::function<std::string(const Session&, const Memory&, int32_t)>& check) {
    Sweep sweep;
    {
        Session session(objects);
        prepare(session);
        Memory before = remember(session);
        fa::Arm(0);
        operate(session, before);
        sweep.allocations = fa::Disarm().allocations;
    }
    for (uint64_t n = 1; n <= sweep.allocations; ++n) {
        Session session(objects);
        prepare(session);
        Memory before = remember(session);
        fa::Arm(n);
        int32_t result = operate(session, before);
        fa::Outcome outcome = fa::Disarm();
        if (!outcome.failed) {
            sweep.faults.push_back("allocation " + std::to_string(n) + " was not reached");
            continue;
        }
        ++sweep.failed;
        std::string fault = session.Whole();
        if (fault.empty()) fault = check(session, before, result);
        host::TheBreaches().Take();
        if (!fault.empty()) sweep.faults.push_back("allocation " + std::to_string(n) + ": " + fault);
    }
    return sweep;
}

// Every allocation of the operation was reached and failed once, and no run left a fault;
// the operation made more than `at_least` allocations, so the sweep reached the blocks it
// grows as well as the first.
[[maybe_unused]] void ExpectSound(const Sweep& sweep, const char* operation, int objects, uint64_t at_least) {
    sweep.Print(operation, objects);
    EXPECT_GT(sweep.allocations, at_least);
    EXPECT_EQ(sweep.failed, sweep.allocations);
    EXPECT_TRUE(sweep.faults.empty()) << sweep.Faults();
}

// The slot list and the rows as they were, for the slot operations.
struct Before {
    Picture slots;
    Row rows = 0;
};

Before Remember(const Session& session) { return Before{session.Slots(), session.plugin->rowCount}; }

// The strong guarantee: a failed operation leaves the slot list and the row count exactly
// as they were, and the event answers as an event that did nothing.
std::string Unchanged(const Session& session, const Before& before, int32_t result) {
    if (result != 0) return "the event answered " + std::to_string(result);
    if (session.Slots() != before.slots) return "slots " + Text(session.Slots()) + ", before " + Text(before.slots);
    if (session.plugin->rowCount != before.rows) return "row count " + std::to_string(session.plugin->rowCount);
    return "";
}

constexpr int kObjects = 300;
// Smaller for the document's own operations, whose every allocation is swept with the
// whole session made again: still enough names to make every container grow.
constexpr int kDocumentObjects = 100;

// A store of the first document in row 0, and Add, so there are six rows.
void StoreFirst(Session& session) {
    EXPECT_EQ(session.Start(), 1);
    session.ClickStore(0, session.first);
    session.PressAdd();
}

TEST(OutOfMemory, OverwriteFromAnotherDocumentLeavesTheSlotAsItWas) {
    Sweep sweep = SweepOperation<Before>(kObjects, StoreFirst, Remember,
        [](Session& s, Before&) { return s.ClickStore(0, s.second).result; }, Unchanged);
#ifdef PELLUCID_PLANTED_PARTIAL_STORE
    sweep.Print("OverwriteFromAnotherDocument, partial store planted", kObjects);
    EXPECT_GT(sweep.allocations, 2u);
    EXPECT_FALSE(sweep.faults.empty()) << "the sweep misses the planted partial store";
#else
    // The notes of the names met, then the new slot's table and its names.
    ExpectSound(sweep, "OverwriteFromAnotherDocumentLeavesTheSlotAsItWas", kObjects, 2);
#endif
}

#ifndef PELLUCID_PLANTED_PARTIAL_STORE

TEST(OutOfMemory, OverwriteFromTheSameDocumentLeavesTheSlotAsItWas) {
    Sweep sweep = SweepOperation<Before>(kObjects, StoreFirst, Remember,
        [](Session& s, Before&) { return s.ClickStore(0, s.first).result; }, Unchanged);
    ExpectSound(sweep, "OverwriteFromTheSameDocumentLeavesTheSlotAsItWas", kObjects, 0);
}

// The first store into an empty row beyond the slot list: the list keeps its length, and
// the row's "S" button is up again.
TEST(OutOfMemory, FirstStoreLeavesTheListAndTheButtonAsTheyWere) {
    Sweep sweep = SweepOperation<Before>(kObjects, StoreFirst, Remember,
        [](Session& s, Before&) { return s.ClickStore(5, s.second).result; }, Unchanged);
    // The list's new slots, the table, and the names as they grow.
    ExpectSound(sweep, "FirstStoreLeavesTheListAndTheButtonAsTheyWere", kObjects, 3);
}

// Half the second document's names are in the slot already, half are new. At 400 objects
// the slot's table, made for 400 names, is full at 512 and grows on the way, and so do its
// names: a failure then finds flags changed and names added in a table that has moved.
TEST(OutOfMemory, AppendLeavesTheSlotAsItWas) {
    constexpr int kAppendObjects = 400;
    Sweep sweep = SweepOperation<Before>(kAppendObjects, StoreFirst, Remember,
        [](Session& s, Before&) { return s.ClickStore(0, s.second, host::Modifiers{false, true}).result; }, Unchanged);
    // The notes of the flags changed, then the table and the names as they grow.
    ExpectSound(sweep, "AppendLeavesTheSlotAsItWas", kAppendObjects, 2);
}

// A clear gives the slot's memory back and takes none: it never fails.
TEST(OutOfMemory, ClearAllocatesNothing) {
    Sweep sweep = SweepOperation<Before>(kObjects, StoreFirst, Remember,
        [](Session& s, Before&) { return s.ClickStore(0, s.first, host::Modifiers{true, false}).result; },
        [](const Session&, const Before&, int32_t) { return std::string(); });
    sweep.Print("ClearAllocatesNothing", kObjects);
    EXPECT_EQ(sweep.allocations, 0u);
}

TEST(OutOfMemory, RecallAllocatesNothing) {
    Sweep sweep = SweepOperation<Before>(kObjects, StoreFirst, Remember,
        [](Session& s, Before&) { return s.ClickRecall(0, s.second).result; }, Unchanged);
    sweep.Print("RecallAllocatesNothing", kObjects);
    EXPECT_EQ(sweep.allocations, 0u);
}

// The document's element: three slots of 50 names and four empty ones, seven rows.
void MakeElement(host::XmlElement& element) {
    host::XmlElement& store = element.AppendChild("Store");
    for (int list = 0; list < 7; ++list) {
        host::XmlElement& slot = store.AppendChild("list");
        for (int i = 0; list < 3 && i < 50; ++i) {
            host::XmlElement& entry = slot.AppendChild("name");
            entry.SetText(Name("loaded", 50 * list + i));
            entry.SetAttribute("visible", i % 2 == 0 ? "true" : "false");
        }
    }
}

TEST(OutOfMemory, LoadIsWhollyTheDocumentsOrWhollyAsBefore) {
    Picture loaded;
    {
        Session session(kDocumentObjects);
        StoreFirst(session);
        host::XmlElement element("plugin");
        MakeElement(element);
        session.Load(element);
        loaded = session.Slots();
        ASSERT_EQ(loaded.size(), 7u);
        ASSERT_EQ(session.plugin->rowCount, 7);
    }
    auto element = std::make_shared<host::XmlElement>("plugin");
    MakeElement(*element);
    Sweep sweep = SweepOperation<Before>(kDocumentObjects, StoreFirst, Remember,
        [element](Session& s, Before&) { return s.Load(*element); },
        [&loaded](const Session& s, const Before& before, int32_t result) -> std::string {
            if (s.Slots() == loaded && s.plugin->rowCount == 7) return "";
            std::string fault = Unchanged(s, before, result);
            return fault.empty() ? "" : "neither loaded nor as before: " + fault;
        });
    ExpectSound(sweep, "LoadIsWhollyTheDocumentsOrWhollyAsBefore", kDocumentObjects, 150);
}

// Two rows of 100 names each, written into an element that the host gives empty.
TEST(OutOfMemory, SaveWritesTheElementWholeOrLeavesItAsGiven) {
    auto prepare = [](Session& s) {
        EXPECT_EQ(s.Start(), 1);
        s.ClickStore(0, s.first);
        s.ClickStore(2, s.second);
    };
    std::string whole;
    {
        Session session(kDocumentObjects);
        prepare(session);
        host::XmlElement element("plugin");
        session.Save(element);
        whole = TreeText(element);
    }
    struct Saved {
        Before before;
        std::shared_ptr<host::XmlElement> element;
    };
    Sweep sweep = SweepOperation<Saved>(kDocumentObjects, prepare,
        [](const Session& s) { return Saved{Remember(s), std::make_shared<host::XmlElement>("plugin")}; },
        [](Session& s, Saved& saved) { return s.Save(*saved.element); },
        [&whole](const Session& s, const Saved& saved, int32_t) -> std::string {
            std::string written = TreeText(*saved.element);
            if (written != whole && written != "<plugin></plugin>") return "a part written: " + written.substr(0, 120);
            Picture trimmed = saved.before.slots;
            while (!trimmed.empty() && trimmed.back().empty()) trimmed.pop_back();
            // Trimmed or, when the save failed before it trimmed, as it was.
            if (s.Slots() != trimmed && s.Slots() != saved.before.slots) return "slots " + Text(s.Slots());
            return "";
        });
    ExpectSound(sweep, "SaveWritesTheElementWholeOrLeavesItAsGiven", kDocumentObjects, kDocumentObjects);
}

TEST(OutOfMemory, AddShowsTheRowsItCounts) {
    Sweep sweep = SweepOperation<Before>(kObjects, StoreFirst, Remember,
        [](Session& s, Before&) { return s.PressAdd().result; }, Unchanged);
    ExpectSound(sweep, "AddShowsTheRowsItCounts", kObjects, 14);
}

// A store of a document without objects leaves row 0's "S" down over an empty slot, as the
// window shows a store whatever it recorded; row 2 holds the second document. An "Add"
// that fails keeps the old rows, and they show again what each slot holds, as the rows it
// could not build would have.
TEST(OutOfMemory, AddThatFailsShowsWhatEachSlotHolds) {
    auto prepare = [](Session& s) {
        EXPECT_EQ(s.Start(), 1);
        s.ClickStore(0, &host::OpenDocument());
        s.ClickStore(2, s.second);
    };
    {
        Session session(kDocumentObjects);
        prepare(session);
        ASSERT_TRUE(session.widgets().Find(session.Buttons("S").at(0))->down);
        ASSERT_TRUE(session.Slots().at(0).empty());
        ASSERT_EQ(session.Slots().at(2).size(), static_cast<size_t>(kDocumentObjects));
    }
    Sweep sweep = SweepOperation<Before>(kDocumentObjects, prepare, Remember,
        [](Session& s, Before&) { return s.PressAdd().result; }, Unchanged);
    ExpectSound(sweep, "AddThatFailsShowsWhatEachSlotHolds", kDocumentObjects, 14);
}

// A careless host raises "Add" from inside the first widget the rebuild creates: its row
// is built by a second round of the same rebuild. When either round fails, the rows shown
// are those built last, and the count is theirs (checked by Session::Whole).
void AddRaisedInsideTheRebuild(Session& s) {
    s.widgets().RaiseInside({MQWIDGET_CREATE, "", 0, MQEVT_EXECUTE, s.Buttons("Add").at(0)});
}

TEST(OutOfMemory, AddWithAnAddRaisedInsideShowsTheRowsItCounts) {
    {
        Session session(kObjects);
        StoreFirst(session);
        AddRaisedInsideTheRebuild(session);
        session.PressAdd();
        ASSERT_EQ(session.plugin->rowCount, 8);
        ASSERT_EQ(session.Whole(), "");
    }
    Sweep sweep = SweepOperation<Before>(kObjects, StoreFirst, Remember,
        [](Session& s, Before&) {
            AddRaisedInsideTheRebuild(s);
            return s.PressAdd().result;
        },
        [](const Session& s, const Before& before, int32_t result) -> std::string {
            // A failure in the second round is the raised Add's, or, in the fit after it
            // was built, no one's: the first Add went through.
            Row rows = s.plugin->rowCount;
            if (s.Slots() == before.slots && (rows == before.rows + 1 || rows == before.rows + 2)) {
                return result == 0 ? "" : "the event answered " + std::to_string(result);
            }
            return Unchanged(s, before, result);
        });
    ExpectSound(sweep, "AddWithAnAddRaisedInsideShowsTheRowsItCounts", kObjects, 28);
}

// The same Add raised inside the rebuild of a document load: the load is whole with its
// seven rows or with the eighth too, or the slots and rows are as before.
TEST(OutOfMemory, LoadWithAnAddRaisedInsideIsWhollyTheDocumentsOrWhollyAsBefore) {
    Picture loaded;
    {
        Session session(kDocumentObjects);
        StoreFirst(session);
        host::XmlElement element("plugin");
        MakeElement(element);
        AddRaisedInsideTheRebuild(session);
        session.Load(element);
        loaded = session.Slots();
        ASSERT_EQ(loaded.size(), 7u);
        ASSERT_EQ(session.plugin->rowCount, 8);
        ASSERT_EQ(session.Whole(), "");
    }
    auto element = std::make_shared<host::XmlElement>("plugin");
    MakeElement(*element);
    Sweep sweep = SweepOperation<Before>(kDocumentObjects, StoreFirst, Remember,
        [element](Session& s, Before&) {
            AddRaisedInsideTheRebuild(s);
            return s.Load(*element);
        },
        [&loaded](const Session& s, const Before& before, int32_t result) -> std::string {
            if (s.Slots() == loaded && (s.plugin->rowCount == 7 || s.plugin->rowCount == 8)) return "";
            std::string fault = Unchanged(s, before, result);
            return fault.empty() ? "" : "neither loaded nor as before: " + fault;
        });
    ExpectSound(sweep, "LoadWithAnAddRaisedInsideIsWhollyTheDocumentsOrWhollyAsBefore", kDocumentObjects, 150);
}

// A start that fails leaves no window and answers failure.
TEST(OutOfMemory, StartIsWholeOrLeavesNoWindow) {
    Sweep sweep = SweepOperation<int>(0, [](Session&) {}, [](const Session&) { return 0; },
        [](Session& s, int&) { return s.Start(); },
        [](const Session& s, const int&, int32_t result) -> std::string {
            if (s.plugin->window == nullptr) return result == 0 ? "" : "no window, and the start answered 1";
            if (result != 1) return "a window, and the start answered " + std::to_string(result);
            return s.plugin->IsActivated(nullptr) ? "" : "a window that is not shown";
        });
    ExpectSound(sweep, "StartIsWholeOrLeavesNoWindow", 0, 20);
}

// The window moved to (300, 400) before the exit: the settings say either that or, as
// before, (10, 20), and the widgets are gone either way.
TEST(OutOfMemory, ExitDeletesEveryWidgetAndWritesTheSettingsWholeOrNotAtAll) {
    auto prepare = [](Session& s) {
        EXPECT_EQ(s.Start(), 1);
        s.widgets().MoveWindow(s.Window(), 300, 400);
    };
    std::string old_settings, new_settings;
    {
        Session session;
        prepare(session);
        old_settings = session.Settings();
        session.Event(MQEVENT_EXIT, nullptr);
        new_settings = session.Settings();
        ASSERT_NE(old_settings, new_settings);
    }
    Sweep sweep = SweepOperation<std::string>(0, prepare, [](const Session& s) { return s.Settings(); },
        [](Session& s, std::string&) { return s.Event(MQEVENT_EXIT, nullptr); },
        [&](const Session& s, const std::string&, int32_t) -> std::string {
            if (s.plugin->window != nullptr) return "the window outlived the exit";
            std::string now = s.Settings();
            return now == old_settings || now == new_settings ? "" : "settings half written: " + now;
        });
    ExpectSound(sweep, "ExitDeletesEveryWidgetAndWritesTheSettingsWholeOrNotAtAll", 0, 5);
}

#endif

}  // namespace
