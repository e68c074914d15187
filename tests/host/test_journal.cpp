// The journal of host calls: a bounded journal keeps exactly the latest calls, whether
// their text was made at once or when read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "host/records/journal.h"
#include "host/records/value_text.h"

namespace {

using host::HostCall;
using host::Journal;

std::vector<std::string> Texts(const Journal& journal) {
    std::vector<std::string> texts;
    for (const HostCall& call : journal.Calls()) texts.push_back(call.Text());
    return texts;
}

// The `n`th call of a run that mixes the three ways a host function records itself.
void RecordCall(Journal& journal, int n) {
    static int handles[4];
    switch (n % 4) {
    case 0: journal.Record("MQ_SendMessage", {std::to_string(n), "null"}); break;
    case 1: journal.RecordValues("MQDoc_GetObject", static_cast<const void*>(&handles[n % 3]), int32_t{-n}); break;
    case 2: journal.RecordValues("MQObj_SetVisible", static_cast<const void*>(nullptr), uint32_t{0xFFFFFFF0u} + uint32_t(n % 16)); break;
    case 3: journal.Record("MQWidget_Value", [&] { return host::CallArgs{std::to_string(n), "{}"}; }); break;
    }
}

TEST(HostJournal, ABoundedJournalKeepsTheLatestCallsOfAnUnboundedOne) {
    // Each limit read every so many calls, so that reads fall before, on and between trims.
    for (size_t limit : {1, 2, 5, 7}) {
        for (int every : {1, 2, 3, 5, 11, 1000}) {
            Journal all, bounded;
            bounded.SetLimit(limit);
            for (int n = 0; n < 150; ++n) {
                RecordCall(all, n);
                RecordCall(bounded, n);
                if (n % every != every - 1 && n != 149) continue;
                std::vector<std::string> every_call = Texts(all);
                size_t kept = std::min(every_call.size(), limit);
                std::vector<std::string> latest(every_call.end() - static_cast<std::ptrdiff_t>(kept), every_call.end());
                ASSERT_EQ(Texts(bounded), latest) << "limit " << limit << ", read every " << every << ", after call " << n;
                EXPECT_EQ(bounded.Dropped(), every_call.size() - kept);
                auto objects = std::count_if(latest.begin(), latest.end(), [](const std::string& text) {
                    return text.rfind("MQDoc_GetObject(", 0) == 0;
                });
                EXPECT_EQ(bounded.Count("MQDoc_GetObject"), static_cast<size_t>(objects));
            }
        }
    }
}

TEST(HostJournal, HandlesAndNumbersReadAsTheyWereWhenRecorded) {
    Journal journal;
    int object = 0;
    journal.RecordValues("MQObj_GetName", static_cast<const void*>(&object), int32_t{-2147483647 - 1});
    journal.RecordValues("MQObj_SetVisible", static_cast<const void*>(nullptr), uint32_t{4294967295u});
    journal.RecordValues("MQDoc_GetObjectCount");
    ASSERT_EQ(journal.Calls().size(), 3u);
    EXPECT_EQ(journal.Calls()[0].Text(), "MQObj_GetName(" + host::PointerText(&object) + ", -2147483648)");
    EXPECT_EQ(journal.Calls()[1].Text(), "MQObj_SetVisible(null, 4294967295)");
    EXPECT_EQ(journal.Calls()[2].Text(), "MQDoc_GetObjectCount()");
}

TEST(HostJournal, ClearedOrSwitchedOffItKeepsNothingOfWhatCameBefore) {
    Journal journal;
    journal.RecordValues("MQDoc_GetObject", static_cast<const void*>(nullptr), int32_t{1});
    journal.Clear();
    journal.SetRecording(false);
    journal.RecordValues("MQDoc_GetObject", static_cast<const void*>(nullptr), int32_t{2});
    journal.Record("MQ_SendMessage", {"100"});
    journal.SetRecording(true);
    journal.Record("MQ_SendMessage", {"101"});
    journal.RecordValues("MQDoc_GetObject", static_cast<const void*>(nullptr), int32_t{3});
    EXPECT_EQ(Texts(journal), (std::vector<std::string>{"MQ_SendMessage(101)", "MQDoc_GetObject(null, 3)"}));
}

}  // namespace
