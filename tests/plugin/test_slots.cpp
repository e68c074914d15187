// The slot list and its operations, run against the stand-in host's documents.
#include <gtest/gtest.h>

#include "support/bound_host.h"

#include <algorithm>
#include <cstdint>
#include <map>
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
            entries.push_back(name + "=" + (visible ? "1" : "0"));
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

// A slot keeps its entries in a pool of its own; these hold the pool to the map's contract.
TEST(SlotMemory, EntriesSurviveErasingReusingAndEmptying) {
    Slot slot = MakeSlot();
    for (int i = 0; i < 20000; ++i) slot.emplace("name " + std::to_string(i), i % 3 == 0);
    for (int i = 0; i < 20000; i += 2) slot.erase("name " + std::to_string(i));
    for (int i = 0; i < 10000; ++i) slot.emplace("other " + std::to_string(i), true);
    ASSERT_EQ(slot.size(), 20000u);
    for (int i = 1; i < 20000; i += 2) {
        auto entry = slot.find("name " + std::to_string(i));
        ASSERT_NE(entry, slot.end()) << i;
        EXPECT_EQ(entry->second, i % 3 == 0) << i;
    }
    slot.clear();  // every block back: the pool starts over
    for (int i = 0; i < 100; ++i) slot.emplace(std::to_string(i), false);
    EXPECT_EQ(slot.size(), 100u);
    EXPECT_EQ(slot.count("99"), 1u);

    for (int i = 1; i < 100; ++i) slot.erase(std::to_string(i));  // one entry left in use
    for (int i = 0; i < 100; ++i) slot.emplace("new " + std::to_string(i), true);
    EXPECT_EQ(slot.size(), 101u);
    EXPECT_FALSE(slot.at("0"));
}

TEST(SlotMemory, CopiedMovedAndMovedFromSlotsStayIndependentAndUsable) {
    Slot original;
    for (int i = 0; i < 1000; ++i) original.emplace(std::to_string(i), true);
    Slot copy = original;
    Slot moved = std::move(original);
    original.emplace("again", false);  // a moved-from slot may be used again
    copy.clear();
    EXPECT_EQ(moved.size(), 1000u);
    EXPECT_EQ(moved.count("999"), 1u);
    EXPECT_EQ(original.size(), 1u);

    std::vector<Slot> slots(2);
    slots[1] = moved;
    slots.resize(50);  // the slots move to new storage
    EXPECT_EQ(slots[1].size(), 1000u);
    slots[1].emplace("late", true);
    EXPECT_TRUE(slots[1].at("late"));
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
