// Option lookups: the first entry of a name wins, even when its value pointer is null.
#include <gtest/gtest.h>

#include "plugin/options.h"

namespace {

TEST(OptionLookup, NullArrayGivesNullAndTheFallback) {
    EXPECT_EQ(FindOptionValue(nullptr, "scene"), nullptr);
    EXPECT_EQ(GetOptionInt(nullptr, "state", 7), 7);
}

TEST(OptionLookup, FirstEntryOfANameWins) {
    int32_t first = 11, second = 22;
    MQOption options[] = {{"state", &first}, {"state", &second}, {nullptr, nullptr}};
    EXPECT_EQ(GetOptionInt(options, "state", 0), 11);
    EXPECT_EQ(FindOptionValue(options, "state"), &first);
}

TEST(OptionLookup, NullValueCountsAsAbsentAndHidesLaterEntries) {
    int32_t later = 5;
    MQOption options[] = {{"state", nullptr}, {"state", &later}, {nullptr, nullptr}};
    EXPECT_EQ(GetOptionInt(options, "state", -3), -3);
    EXPECT_EQ(FindOptionValue(options, "state"), nullptr);
}

TEST(OptionLookup, NamesAreCaseSensitiveAndWhole) {
    int scene = 0;
    int32_t value = 9;
    MQOption options[] = {{"Scene", &scene}, {"scene2", &scene}, {"stat", &value}, {nullptr, nullptr}};
    EXPECT_EQ(FindOptionValue(options, "scene"), nullptr);
    EXPECT_EQ(GetOptionInt(options, "state", 1), 1);
}

TEST(OptionLookup, WalkStopsAtTheTerminatingEntry) {
    int32_t hidden = 4;
    // The entry after the terminator must never be read.
    MQOption options[] = {{nullptr, &hidden}, {"state", &hidden}};
    EXPECT_EQ(GetOptionInt(options, "state", 0), 0);
}

}  // namespace
