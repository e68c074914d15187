// The careless host's catalogue: every behaviour named once and found by its value, and
// its actions reaching the plug-in as the host's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "host/binds/documents.h"
#include "host/binds/host.h"
#include "host/binds/widgets/widgets.h"
#include "host/careless/catalogue.h"

namespace {

using host::careless::Behaviour;

// A stage that records the events it is sent instead of reaching a plug-in.
class RecordingStage : public host::careless::Stage {
public:
    RecordingStage() : current_(&host::OpenDocument()) {}
    // The options live only for the call: their names are kept, "=" marking a value (the
    // activation's argument is a flag, not options).
    int32_t Send(int32_t event, void* argument) override {
        events.push_back(event);
        std::string names;
        if (event == MQEVENT_ACTIVATE) argument = nullptr;
        for (const MQOption* option = static_cast<const MQOption*>(argument); option != nullptr && option->name != nullptr;
             ++option) {
            names += std::string(names.empty() ? "" : " ") + option->name + (option->value != nullptr ? "=" : "");
        }
        options.push_back(names);
        return 1;
    }
    host::Document& Current() override { return *current_; }
    size_t Pick(size_t) override { return 0; }
    host::Document& OpenAnother() override {
        current_ = &host::OpenDocument();
        current_->AddObject("Other");
        return *current_;
    }

    std::vector<int32_t> events;
    std::vector<std::string> options;

private:
    host::Document* current_;
};

class Careless : public ::testing::Test {
protected:
    void SetUp() override { host::ResetHost(); }
    void TearDown() override { host::ResetHost(); }
};

TEST_F(Careless, EveryBehaviourHasItsOwnEntryNameAndDescription) {
    const std::vector<host::careless::Entry>& catalogue = host::careless::Catalogue();
    std::set<std::string> names;
    for (size_t i = 0; i < catalogue.size(); ++i) {
        Behaviour behaviour = static_cast<Behaviour>(i);
        EXPECT_EQ(&host::careless::EntryOf(behaviour), &catalogue[i]) << i;
        EXPECT_EQ(catalogue[i].behaviour, behaviour) << catalogue[i].name;
        EXPECT_NE(std::string(catalogue[i].description), "") << catalogue[i].name;
        EXPECT_TRUE(names.insert(catalogue[i].name).second) << catalogue[i].name << " twice";
    }
    EXPECT_EQ(catalogue.back().behaviour, Behaviour::HostileOptions);
}

// Validate holds plug-ins to every box action but a second start; the others to all.
TEST_F(Careless, BoxActionsAreTheInBoxEntriesAndValidateLeavesOutOnlyTheSecondStart) {
    std::vector<Behaviour> all = host::careless::BoxBehaviours();
    std::vector<Behaviour> validated = host::careless::BoxBehaviours(true);
    EXPECT_EQ(all.size(), 12u);
    EXPECT_EQ(validated.size(), all.size() - 1);
    EXPECT_EQ(std::count(validated.begin(), validated.end(), Behaviour::Start), 0);
    EXPECT_EQ(std::count(all.begin(), all.end(), Behaviour::Start), 1);
    EXPECT_EQ(std::count(all.begin(), all.end(), Behaviour::InsideEvent), 0);
}

// The old document is closed only once the new one is open, and the plug-in hears of the
// new one with an element of its own.
TEST_F(Careless, AReplacedDocumentIsClosedAndThePluginToldOfTheNewOne) {
    RecordingStage stage;
    host::Document& old = stage.Current();
    host::careless::Perform(Behaviour::DocumentReplaced, stage);
    EXPECT_TRUE(old.closed());
    EXPECT_NE(&stage.Current(), &old);
    EXPECT_FALSE(stage.Current().closed());
    ASSERT_EQ(stage.events, std::vector<int32_t>{MQEVENT_LOAD_DOCUMENT});
    EXPECT_EQ(stage.options.front(), std::string(MQEVENT_KEY_XML_ELEMENT) + "= " + MQEVENT_KEY_FILENAME + "=");
}

TEST_F(Careless, ExitsStartsAndActivationAreTheHostsEvents) {
    RecordingStage stage;
    host::careless::Perform(Behaviour::ExitAndStart, stage);
    host::careless::Perform(Behaviour::ActivationOff, stage);
    host::careless::Perform(Behaviour::Save, stage);
    EXPECT_EQ(stage.events, (std::vector<int32_t>{MQEVENT_EXIT, MQEVENT_INITIALIZE, MQEVENT_ACTIVATE,
                                                  MQEVENT_SAVE_DOCUMENT}));
}

TEST_F(Careless, AnInsideEventIsArmedOnceOnItsTarget) {
    RecordingStage stage;
    std::string what = host::careless::ArmInside(stage, {MQWIDGET_CREATE}, {}, MQEVT_EXECUTE, 7);
    EXPECT_EQ(host::TheWidgets().ArmedEvents(), 1u);
    EXPECT_NE(what.find("#7"), std::string::npos) << what;
}

}  // namespace
