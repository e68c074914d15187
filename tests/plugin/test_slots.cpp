// The slot list and its operations, run against the stand-in host's documents.
#include <gtest/gtest.h>

#include "support/bound_host.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "host/binds/documents.h"
#include "host/binds/host.h"
#include "host/drive/plugin_module.h"
#include "host/records/journal.h"
#include "plugin/host_api.h"
#include "slots/pellucid.h"

namespace {

using host::PointerText;

class Slots : public BoundHostTest {
protected:
    // Entries of one slot as a sorted "name=0/1" list, so tests compare whole slots.
    std::vector<std::string> EntriesOf(size_t index) const {
        std::vector<std::string> entries;
        for (const auto& [name, visible] : plugin.slots.at(index)) {
            entries.push_back(std::string(name) + "=" + (visible ? "1" : "0"));
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }
    host::Journal& journal() { return host::TheJournal(); }
    std::string Doc() { return PointerText(document.handle()); }

    Pellucid plugin;
    host::Document document;
};

using Entries = std::vector<std::string>;

// The slot's table against a plain map of the same entries: every name it should hold
// found with its flag, and no other.
void ExpectHolds(const Slot& slot, const std::map<std::string, bool>& model, const std::string& what) {
    ASSERT_EQ(slot.size(), model.size()) << what;
    for (const auto& [name, visible] : model) {
        EXPECT_EQ(slot.FlagOf(name), std::optional<bool>(visible)) << what << ": " << name;
    }
    std::map<std::string, bool> walked;
    for (const auto& [name, visible] : slot) walked.emplace(std::string(name), visible);
    EXPECT_EQ(walked, model) << what;
}

TEST(SlotTable, HoldsNamesThatDifferInLengthBytesAndCase) {
    Slot slot;
    std::map<std::string, bool> model;
    std::vector<std::string> names = {"", std::string(1, '\0'), std::string(2, '\0'), "a", "A", "ab", "ab ",
                                      std::string(249, 'x'), std::string(248, 'x') + "y", std::string("a\0b", 3)};
    for (int i = 0; i < 3000; ++i) names.push_back("Wheel_left_" + std::to_string(i));
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_TRUE(slot.Insert(names[i], i % 3 == 0).second) << i;
        model[names[i]] = i % 3 == 0;
    }
    ExpectHolds(slot, model, "after growing");
    EXPECT_FALSE(slot.FlagOf("Wheel_left_3000").has_value());
    EXPECT_FALSE(slot.FlagOf(std::string(3, '\0')).has_value());

    // A name held keeps its flag on Insert and takes the new one on Assign.
    EXPECT_FALSE(slot.Insert("a", false).second);
    EXPECT_EQ(slot.FlagOf("a"), std::optional<bool>(true));
    slot.Assign("a", false);
    slot.Assign("", true);
    model["a"] = false;
    model[""] = true;
    ExpectHolds(slot, model, "after assigning");
}

// Taking out what an append added must leave every older name reachable, also when the
// names taken out sat in runs that wrap round the end of the table.
TEST(SlotTable, TakingOutWhatWasAddedLeavesTheSlotAsItWas) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        Slot slot;
        std::map<std::string, bool> model;
        const int before = static_cast<int>(random() % 40);
        for (int i = 0; i < before; ++i) {
            std::string name = "old " + std::to_string(random() % 1000);
            slot.Insert(name, i % 2 == 0);
            model.emplace(name, i % 2 == 0);
        }
        const Slot copy = slot;
        const size_t bytes = slot.NameBytes();
        const int added = static_cast<int>(random() % 60);  // often enough to grow the table
        for (int i = 0; i < added; ++i) slot.Assign("new " + std::to_string(random() % 1000), true);
        slot.TakeOutSince(bytes);
        ExpectHolds(slot, model, "round " + std::to_string(round));
        EXPECT_EQ(slot, copy);
        EXPECT_EQ(slot.NameBytes(), bytes);
        slot.Assign("again", true);  // still usable
        EXPECT_EQ(slot.size(), model.size() + 1);
    }
}

// The empty name has no bytes, yet it is not taken for a name added after it, nor its key
// for the next name's.
TEST(SlotTable, TheEmptyNameAddedLastIsKeptWhenWhatCameAfterIsTakenOut) {
    Slot slot;
    slot.Insert("a", true);
    slot.Insert("", false);
    const size_t bytes = slot.NameBytes();
    Slot::Place empty = slot.Find("");
    EXPECT_FALSE(slot.AddedSince(empty, bytes));
    for (int i = 0; i < 40; ++i) slot.Insert("added after the empty name " + std::to_string(i), true);
    for (const char* name : {"", "a", "added after the empty name 0"}) {
        Slot::Place place = slot.Find(name);
        ASSERT_NE(place, Slot::kNowhere) << name;
        EXPECT_EQ(slot.PlaceOf(slot.KeyAt(place)), place) << name;
    }
    slot.TakeOutSince(bytes);
    ExpectHolds(slot, {{"a", true}, {"", false}}, "after taking out");
}

TEST(SlotTable, FlagsAreSetOnlyWhenTheyReachEveryEntry) {
    Slot slot;
    for (const char* name : {"A", "B", "C"}) slot.Insert(name, false);
    Slot::Place a = slot.Find("A"), b = slot.Find("B"), c = slot.Find("C");
    ASSERT_NE(c, Slot::kNowhere);
    EXPECT_EQ(slot.Find("D"), Slot::kNowhere);

    // A reached twice does not count for C.
    EXPECT_FALSE(slot.SetEveryFlag({{a, true}, {b, true}, {a, true}}));
    EXPECT_EQ(slot.FlagOf("A"), std::optional<bool>(false));
    EXPECT_EQ(slot.FlagOf("B"), std::optional<bool>(false));

    // Of two flags for one entry the last holds; a failed attempt left no marks behind.
    EXPECT_TRUE(slot.SetEveryFlag({{a, true}, {c, true}, {b, true}, {a, false}}));
    ExpectHolds(slot, {{"A", false}, {"B", true}, {"C", true}}, "after setting");
    EXPECT_FALSE(slot.SetEveryFlag({{a, true}, {b, true}}));
    ExpectHolds(slot, {{"A", false}, {"B", true}, {"C", true}}, "after a partial set");
}

TEST(SlotTable, CopiedMovedAndMovedFromSlotsStayIndependentAndUsable) {
    Slot original;
    for (int i = 0; i < 1000; ++i) original.Insert(std::to_string(i), true);
    Slot copy = original;
    Slot moved = std::move(original);
    original.Insert("again", false);  // a moved-from slot may be used again
    copy.Assign("0", false);
    EXPECT_EQ(moved.size(), 1000u);
    EXPECT_EQ(moved.FlagOf("0"), std::optional<bool>(true));
    EXPECT_EQ(original.size(), 1u);
    EXPECT_NE(copy, moved);
    copy.Assign("0", true);
    EXPECT_EQ(copy, moved);

    std::vector<Slot> slots(2);
    slots[1] = moved;
    slots.resize(50);  // the slots move to new storage
    EXPECT_EQ(slots[1].size(), 1000u);
    slots[1].Assign("late", true);
    EXPECT_EQ(slots[1].FlagOf("late"), std::optional<bool>(true));
    EXPECT_EQ(moved.size(), 1000u);
}

// Equal slots hold the same names with the same flags, in whatever order they were added.
TEST(SlotTable, EqualityIgnoresOrderButNotFlagsOrNames) {
    Slot forwards, backwards;
    for (int i = 0; i < 100; ++i) forwards.Insert("n" + std::to_string(i), i % 2 == 0);
    for (int i = 99; i >= 0; --i) backwards.Insert("n" + std::to_string(i), i % 2 == 0);
    EXPECT_EQ(forwards, backwards);
    backwards.Assign("n7", true);
    EXPECT_NE(forwards, backwards);
    backwards.Assign("n7", false);
    backwards.Insert("n100", true);
    forwards.Insert("n101", true);
    EXPECT_NE(forwards, backwards);
}

TEST_F(Slots, StoreIntoRow3OfFreshPluginLengthensListToRowCount) {
    document.AddObject("Cube", true);
    ASSERT_TRUE(plugin.slots.empty());
    EXPECT_EQ(plugin.StoreSlot(document.handle(), 3, false), 0);
    ASSERT_EQ(plugin.slots.size(), 5u);
    for (size_t i : {0u, 1u, 2u, 4u}) EXPECT_TRUE(plugin.slots[i].empty()) << "slot " << i;
    EXPECT_EQ(EntriesOf(3), (Entries{"Cube=1"}));

    plugin.rowCount = 8;  // three rows added
    plugin.StoreSlot(document.handle(), 6, false);
    EXPECT_EQ(plugin.slots.size(), 8u);
    EXPECT_EQ(EntriesOf(3), (Entries{"Cube=1"}));
}

TEST_F(Slots, StoreOutsideTheRowsChangesNothingAndAsksNothing) {
    document.AddObject("Cube");
    for (int32_t index : {-1, 5, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(plugin.StoreSlot(document.handle(), index, false), 0) << index;
        EXPECT_EQ(plugin.StoreSlot(document.handle(), index, true), 0) << index;
    }
    EXPECT_TRUE(plugin.slots.empty());
    EXPECT_EQ(journal().Calls().size(), 0u);
}

// The order of host calls per object, and which places are skipped before the name is
// asked: an empty place after MQDoc_GetObject, an uncounted object after its index.
TEST_F(Slots, OverwriteAsksCountOnceThenObjectIndexNameAndVisibilityPerObject) {
    host::Object& a = document.AddObject("A", true);
    document.AddEmptyPlace();
    host::Object& uncounted = document.AddObject("U", true);
    uncounted.SetCounted(false);
    host::Object& b = document.AddObject("B", false);

    plugin.StoreSlot(document.handle(), 0, false);

    std::string d = Doc(), pa = PointerText(a.handle()), pu = PointerText(uncounted.handle()),
                pb = PointerText(b.handle());
    EXPECT_EQ(journal().Text(),
              "MQDoc_GetObjectCount(" + d + ")\n" +
              "MQDoc_GetObject(" + d + ", 0)\nMQDoc_GetObjectIndex(" + d + ", " + pa + ")\n" +
              "MQObj_GetName(" + pa + ", 250)\nMQObj_GetVisible(" + pa + ")\n" +
              "MQDoc_GetObject(" + d + ", 1)\n" +
              "MQDoc_GetObject(" + d + ", 2)\nMQDoc_GetObjectIndex(" + d + ", " + pu + ")\n" +
              "MQDoc_GetObject(" + d + ", 3)\nMQDoc_GetObjectIndex(" + d + ", " + pb + ")\n" +
              "MQObj_GetName(" + pb + ", 250)\nMQObj_GetVisible(" + pb + ")\n");
    EXPECT_EQ(EntriesOf(0), (Entries{"A=1", "B=0"}));
}

TEST_F(Slots, AppendAsksValue262FirstAndNothingMoreOfARejectedObject) {
    host::Object& in = document.AddObject("In", true);
    in.SetAppendFilter(1);
    host::Object& out = document.AddObject("Out", true);
    out.SetAppendFilter(0);

    plugin.StoreSlot(document.handle(), 0, true);

    std::string d = Doc(), pi = PointerText(in.handle()), po = PointerText(out.handle());
    EXPECT_EQ(journal().Text(),
              "MQDoc_GetObjectCount(" + d + ")\n" +
              "MQDoc_GetObject(" + d + ", 0)\nMQDoc_GetObjectIndex(" + d + ", " + pi + ")\n" +
              "MQObj_GetIntValue(" + pi + ", 262)\nMQObj_GetName(" + pi + ", 250)\n" +
              "MQObj_GetVisible(" + pi + ")\n" +
              "MQDoc_GetObject(" + d + ", 1)\nMQDoc_GetObjectIndex(" + d + ", " + po + ")\n" +
              "MQObj_GetIntValue(" + po + ", 262)\n");
    EXPECT_EQ(EntriesOf(0), (Entries{"In=1"}));
}

TEST_F(Slots, AppendKeepsEarlierEntriesAndUpdatesThoseThatPass) {
    host::Object& kept = document.AddObject("Kept", true);
    host::Object& updated = document.AddObject("Updated", true);
    plugin.StoreSlot(document.handle(), 1, false);

    kept.SetVisible(false);  // not admitted: its recorded flag stays
    updated.SetVisible(false);
    updated.SetAppendFilter(-7);  // any non-zero answer admits
    document.AddObject("New", true).SetAppendFilter(1);
    plugin.StoreSlot(document.handle(), 1, true);

    EXPECT_EQ(EntriesOf(1), (Entries{"Kept=1", "New=1", "Updated=0"}));
}

TEST_F(Slots, OverwriteKeepsOnlyTheSecondPicture) {
    document.AddObject("Gone", true);
    host::Object& stays = document.AddObject("Stays", true);
    plugin.StoreSlot(document.handle(), 0, false);

    document.RemoveObject(0);
    stays.SetVisibleValue(0);
    EXPECT_EQ(plugin.StoreSlot(document.handle(), 0, false), 0);
    EXPECT_EQ(EntriesOf(0), (Entries{"Stays=0"}));

    document.RemoveObject(1);
    plugin.StoreSlot(document.handle(), 0, false);
    EXPECT_TRUE(plugin.slots[0].empty());
}

// A store over the same names only refreshes flags; any change of names must still show.
TEST_F(Slots, OverwriteFromTheSameDocumentFollowsEveryChange) {
    host::Object& a = document.AddObject("A", true);
    host::Object& b = document.AddObject("B", false);
    plugin.StoreSlot(document.handle(), 0, false);

    a.SetVisible(false);
    b.SetVisible(true);
    plugin.StoreSlot(document.handle(), 0, false);
    EXPECT_EQ(EntriesOf(0), (Entries{"A=0", "B=1"}));

    document.AddObject("A", true);  // a second A, later in the document, decides
    plugin.StoreSlot(document.handle(), 0, false);
    EXPECT_EQ(EntriesOf(0), (Entries{"A=1", "B=1"}));

    b.SetName("A");  // same number of objects, one name fewer
    plugin.StoreSlot(document.handle(), 0, false);
    EXPECT_EQ(EntriesOf(0), (Entries{"A=1"}));

    b.SetName("C");
    plugin.StoreSlot(document.handle(), 0, false);
    EXPECT_EQ(EntriesOf(0), (Entries{"A=1", "C=1"}));
}

// Recall guesses each entry from the one before; the answer must not depend on the guess.
TEST_F(Slots, RecallIsRightInAnyOrderOfTheDocument) {
    const uint32_t seed = 7;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::map<std::string, bool> recorded;  // the last flag of each name, in document order
    for (int i = 0; i < 400; ++i) {
        std::string name = "part" + std::to_string(random() % 300);
        bool visible = random() % 2 == 0;
        document.AddObject(name, visible);
        recorded[name] = visible;
    }
    plugin.StoreSlot(document.handle(), 0, false);
    ASSERT_EQ(plugin.slots[0].size(), recorded.size());

    host::Document shuffled;  // other order, names missing, names never stored
    std::vector<std::string> names;
    for (int i = 0; i < 500; ++i) names.push_back("part" + std::to_string(i));
    std::shuffle(names.begin(), names.end(), random);
    for (const std::string& name : names) shuffled.AddObject(name, true).SetVisibleValue(7);
    EXPECT_EQ(plugin.RecallSlot(shuffled.handle(), 0), 1);

    for (int place = 0; place < shuffled.PlaceCount(); ++place) {
        const host::Object& object = *shuffled.ObjectAt(place);
        auto entry = recorded.find(object.name());
        uint32_t expected = entry == recorded.end() ? 7u : entry->second ? MQOBJ_VISIBLE : MQOBJ_HIDDEN;
        EXPECT_EQ(object.visible_value(), expected) << object.name();
    }
}

TEST_F(Slots, AnyNonZeroVisibilityCountsAsVisible) {
    document.AddObject("One").SetVisibleValue(1);
    document.AddObject("High").SetVisibleValue(0x80000000u);
    plugin.StoreSlot(document.handle(), 0, false);
    EXPECT_EQ(EntriesOf(0), (Entries{"High=1", "One=1"}));
}

TEST_F(Slots, ObjectsSharingANameShareOneEntryThatTheLastDecides) {
    host::Object& first = document.AddObject("Twin", true);
    host::Object& second = document.AddObject("Twin", false);
    plugin.StoreSlot(document.handle(), 0, false);
    EXPECT_EQ(EntriesOf(0), (Entries{"Twin=0"}));

    first.SetVisible(true);
    second.SetVisible(true);
    EXPECT_EQ(plugin.RecallSlot(document.handle(), 0), 1);
    EXPECT_EQ(document.VisibilityPicture(), "00");
}

TEST_F(Slots, TheEmptyNameIsStoredAndRecalledLikeAnyOther) {
    host::Object& unnamed = document.AddObject("", false);
    document.AddObject("Named", true);
    plugin.StoreSlot(document.handle(), 0, false);
    EXPECT_EQ(EntriesOf(0), (Entries{"=0", "Named=1"}));

    unnamed.SetVisible(true);
    plugin.RecallSlot(document.handle(), 0);
    EXPECT_EQ(document.VisibilityPicture(), "01");
}

// The host writes at most 250 bytes with the zero, so names agree on their first 249.
TEST_F(Slots, NamesAreCutAtTheHostsBufferAndMatchOnWhatRemains) {
    std::string stem(249, 'n');
    document.AddObject(stem + "-first", true);
    host::Object& second = document.AddObject(stem + "-second", false);
    host::Object& exact = document.AddObject(stem.substr(0, 248) + "x", true);
    plugin.StoreSlot(document.handle(), 0, false);
    EXPECT_EQ(EntriesOf(0), (Entries{stem + "=0", stem.substr(0, 248) + "x=1"}));

    second.SetName(stem + "-renamed later");
    second.SetVisible(true);
    exact.SetVisible(false);
    plugin.RecallSlot(document.handle(), 0);
    EXPECT_EQ(document.VisibilityPicture(), "001");
}

TEST_F(Slots, RecallSetsRecordedObjectsAndLeavesTheOthers) {
    host::Object& a = document.AddObject("A", true);
    host::Object& b = document.AddObject("B", false);
    plugin.StoreSlot(document.handle(), 2, false);

    a.SetVisible(false);
    b.SetVisible(true);
    host::Object& c = document.AddObject("C", false);
    journal().Clear();
    EXPECT_EQ(plugin.RecallSlot(document.handle(), 2), 1);

    EXPECT_EQ(document.VisibilityPicture(), "100");
    std::vector<host::HostCall> sets = journal().Of("MQObj_SetVisible");
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].Text(), "MQObj_SetVisible(" + PointerText(a.handle()) + ", 4294967295)");
    EXPECT_EQ(sets[1].Text(), "MQObj_SetVisible(" + PointerText(b.handle()) + ", 0)");
    EXPECT_EQ(journal().Count("MQObj_GetName"), 3u);
    EXPECT_EQ(journal().Of("MQObj_GetName").back().args[0], PointerText(c.handle()));
    EXPECT_EQ(journal().Count("MQObj_GetVisible"), 0u);
}

TEST_F(Slots, RecallFindsObjectsByNameAlone) {
    host::Object& renamed = document.AddObject("Before", false);
    document.AddObject("Other", true);
    plugin.StoreSlot(document.handle(), 0, false);

    renamed.SetName("After");
    renamed.SetVisible(true);
    document.RemoveObject(1);
    document.AddObject("Other", false);      // new, under a stored name
    document.AddObject("Stranger", false);   // new, under a name the slot lacks
    EXPECT_EQ(plugin.RecallSlot(document.handle(), 0), 1);
    EXPECT_EQ(document.VisibilityPicture(), "1.10");
    EXPECT_EQ(EntriesOf(0), (Entries{"Before=0", "Other=1"}));  // unmatched entries stay
}

TEST_F(Slots, RecallSkipsEmptyPlacesAndUncountedObjects) {
    document.AddObject("Hidden", false);
    plugin.StoreSlot(document.handle(), 0, false);

    document.RemoveObject(0);
    host::Object& uncounted = document.AddObject("Hidden", true);
    uncounted.SetCounted(false);
    document.AddObject("Hidden", true);
    EXPECT_EQ(plugin.RecallSlot(document.handle(), 0), 1);
    EXPECT_EQ(document.VisibilityPicture(), ".10");
    EXPECT_EQ(journal().Of("MQObj_GetName").back().args[0], PointerText(document.ObjectAt(2)->handle()));
}

TEST_F(Slots, RecallOfAMissingOrEmptySlotAnswers0AndTouchesNothing) {
    document.AddObject("A", false);
    EXPECT_EQ(plugin.RecallSlot(document.handle(), 0), 0);  // no list yet
    plugin.StoreSlot(nullptr, 1, false);                    // list of 5, all empty
    journal().Clear();
    for (int32_t index : {-1, 0, 1, 4, 5, INT32_MAX}) {
        EXPECT_EQ(plugin.RecallSlot(document.handle(), index), 0) << index;
    }
    EXPECT_EQ(journal().Calls().size(), 0u);
    EXPECT_EQ(document.VisibilityPicture(), "0");
}

TEST_F(Slots, ClearEmptiesTheSlotAndKeepsTheList) {
    document.AddObject("A", true);
    plugin.StoreSlot(document.handle(), 1, false);
    plugin.StoreSlot(document.handle(), 2, false);

    EXPECT_EQ(plugin.ClearSlot(1), 0);
    EXPECT_EQ(plugin.slots.size(), 5u);
    EXPECT_TRUE(plugin.slots[1].empty());
    EXPECT_EQ(EntriesOf(2), (Entries{"A=1"}));
    EXPECT_EQ(plugin.rowCount, 5);
    EXPECT_EQ(plugin.RecallSlot(document.handle(), 1), 0);
}

TEST_F(Slots, ClearOfAnEmptySlotOrARowBeyondTheListChangesNothing) {
    EXPECT_EQ(plugin.ClearSlot(0), 0);
    EXPECT_TRUE(plugin.slots.empty());

    document.AddObject("A", true);
    plugin.StoreSlot(document.handle(), 0, false);
    for (int32_t index : {-1, 1, 5, 6, INT32_MAX}) EXPECT_EQ(plugin.ClearSlot(index), 0) << index;
    EXPECT_EQ(plugin.slots.size(), 5u);
    EXPECT_EQ(EntriesOf(0), (Entries{"A=1"}));
}

}  // namespace
