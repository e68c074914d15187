// Start-up, activation and shut-down of the whole plug-in: the window's shown state and
// place kept in the host's plug-in settings from one run to the next.
#include <string>
#include <vector>

#include "support/lucid_fixture.h"

namespace {

class Activation : public LucidTest {
protected:
    // A fresh host and a fresh plug-in, for a test that tries several settings in turn.
    void StartAfresh() {
        plugin.reset();
        EXPECT_EQ(host::TheBreaches().Text(), "");
        host::ResetHost();
        document = &host::OpenDocument();
        widgets().SetEventDocument(doc());
        LoadPlugin();
    }
    static const host::Widget* TheWindow() { return widgets().Find(Window()); }
    // The messages 100 the plug-in sent, as "code(product, id, flag)" lines.
    static std::vector<std::string> ActivationMessages() {
        std::vector<std::string> found;
        for (const host::HostCall& call : journal().Of("MQ_SendMessage")) {
            if (!call.args.empty() && call.args[0] == "100") found.push_back(call.Text());
        }
        return found;
    }
};

TEST_F(Activation, FirstStartMakesTheSectionAndAHiddenWindow) {
    ASSERT_EQ(Section(), nullptr);
    EXPECT_EQ(Initialize(), 1);
    ASSERT_NE(Section(), nullptr);
    EXPECT_EQ(host::PluginSettings().ChildCount(), 1u);
    ASSERT_NE(Window(), 0);
    EXPECT_FALSE(TheWindow()->visible);
    EXPECT_EQ(TheWindow()->owner, widgets().MainWindow());
    EXPECT_EQ(IsActivated(), 0);
    EXPECT_EQ(StoreButtons().size(), 5u);
    EXPECT_TRUE(ActivationMessages().empty());
}

// The flag is a number: any but 0 shows the window; letters or nothing read as 0.
TEST_F(Activation, StoredFlagShowsTheWindowWhenItReadsAsANonZeroNumber) {
    struct Case {
        const char* text;
        bool shown;
    };
    for (Case c : {Case{"2", true}, Case{"1", true}, Case{" -7 apples", true}, Case{"0", false}, Case{"yes", false},
                   Case{"", false}}) {
        SCOPED_TRACE(std::string("Pellucid_activate = \"") + c.text + "\"");
        StartAfresh();
        PresetSetting("Pellucid_activate", c.text);
        EXPECT_EQ(Initialize(), 1);
        ASSERT_NE(Window(), 0);
        EXPECT_EQ(TheWindow()->visible, c.shown);
        EXPECT_EQ(IsActivated(), c.shown ? 1 : 0);
        EXPECT_EQ(Exit(), 1);
        EXPECT_EQ(Setting("Pellucid_activate"), c.shown ? "1" : "0");
    }
}

TEST_F(Activation, SavedPlaceIsAppliedOnlyWithBothCoordinatesNonNegative) {
    struct Case {
        const char* x;  // null: no such key
        const char* y;
        int32_t expect_x, expect_y;  // 100, 80: where the stand-in host puts a new window
    };
    for (Case c : {Case{"120", "45", 120, 45}, Case{"120", nullptr, 100, 80}, Case{nullptr, "45", 100, 80},
                   Case{"120", "", 100, 80}, Case{"-5", "45", 100, 80}, Case{"0", "0", 0, 0}}) {
        SCOPED_TRACE(std::string("PosX ") + (c.x ? c.x : "absent") + ", PosY " + (c.y ? c.y : "absent"));
        StartAfresh();
        if (c.x != nullptr) PresetSetting("PosX", c.x);
        if (c.y != nullptr) PresetSetting("PosY", c.y);
        PresetSetting("Pellucid_activate", "1");
        ASSERT_EQ(Initialize(), 1);
        EXPECT_EQ(TheWindow()->pos_x, c.expect_x);
        EXPECT_EQ(TheWindow()->pos_y, c.expect_y);
    }
}

TEST_F(Activation, ActivateBeforeInitializeAnswersFalseAndLeavesThePluginInactive) {
    EXPECT_EQ(Activate(1), 0);
    EXPECT_EQ(IsActivated(), 0);
    EXPECT_EQ(journal().Count("MQWidget_Value"), 0u);
    ASSERT_EQ(Initialize(), 1);
    EXPECT_FALSE(TheWindow()->visible) << "the early Activate was remembered";
    EXPECT_EQ(IsActivated(), 0);
}

TEST_F(Activation, ActivateShowsAndHidesTheWindowWithoutTellingTheHost) {
    ASSERT_EQ(Initialize(), 1);
    EXPECT_EQ(Activate(1), 1);
    EXPECT_TRUE(TheWindow()->visible);
    EXPECT_EQ(TheWindow()->width, widgets().JustSize(Window())[0]);
    EXPECT_EQ(TheWindow()->height, widgets().JustSize(Window())[1]);
    EXPECT_EQ(IsActivated(), 1);
    EXPECT_EQ(Activate(0), 0);
    EXPECT_FALSE(TheWindow()->visible);
    EXPECT_EQ(IsActivated(), 0);
    EXPECT_TRUE(ActivationMessages().empty()) << "the plug-in hid its own window";
    EXPECT_EQ(Activate(7), 1);
    EXPECT_TRUE(TheWindow()->visible);
}

TEST_F(Activation, ClosingTheWindowTellsTheHostOnceAndIsSavedAsInactive) {
    StartShown();
    EXPECT_EQ(IsActivated(), 1);
    host::EventOutcome closed = widgets().CloseWindow(Window(), doc());
    ASSERT_EQ(closed.refused, "");
    EXPECT_EQ(closed.deliveries, 1);
    EXPECT_EQ(closed.result, 0);
    EXPECT_EQ(IsActivated(), 0);
    EXPECT_EQ(ActivationMessages(), std::vector<std::string>{"MQ_SendMessage(100, 0x7C4B21D9, 0x3E8A6F12, 0)"});

    // Hidden already: deactivating again says nothing more.
    EXPECT_EQ(Activate(0), 0);
    EXPECT_EQ(ActivationMessages().size(), 1u);

    EXPECT_EQ(Exit(), 1);
    EXPECT_EQ(Setting("Pellucid_activate"), "0");
}

// A run that leaves the window shown and moved starts the next run shown in that place.
TEST_F(Activation, ExitKeepsShownStateAndPlaceForTheNextRun) {
    ASSERT_EQ(Initialize(), 1);
    ASSERT_EQ(Activate(1), 1);
    ASSERT_EQ(widgets().MoveWindow(Window(), 320, 140), "");
    EXPECT_EQ(Exit(), 1);
    EXPECT_EQ(Setting("Pellucid_activate"), "1");
    EXPECT_EQ(Setting("PosX"), "320");
    EXPECT_EQ(Setting("PosY"), "140");
    EXPECT_EQ(Window(), 0);

    plugin.reset();
    LoadPlugin();
    ASSERT_EQ(Initialize(), 1);
    EXPECT_TRUE(TheWindow()->visible);
    EXPECT_EQ(TheWindow()->pos_x, 320);
    EXPECT_EQ(TheWindow()->pos_y, 140);
    EXPECT_EQ(IsActivated(), 1);
    EXPECT_EQ(Section()->ChildCount(), 3u) << "keys were added again instead of replaced";
}

// The plug-in's end takes every widget it made with it, whatever state they were in.
TEST_F(Activation, ExitDeletesEveryWidgetThePluginMade) {
    document->AddObject("A");
    StartShown();
    ASSERT_EQ(ClickStore(0).result, 0);
    ASSERT_EQ(PressAdd().result, 0);
    ASSERT_EQ(PressAdd().result, 0);
    ASSERT_EQ(StoreButtons().size(), 7u);
    EXPECT_EQ(Exit(), 1);
    EXPECT_EQ(widgets().Ids(), std::vector<int32_t>{widgets().MainWindow()});
    EXPECT_EQ(host::TheBreaches().Text(), "");
    EXPECT_EQ(IsActivated(), 0);
    EXPECT_EQ(Activate(1), 0) << "a window came back after the exit";
}

TEST_F(Activation, ExitWithoutAWindowSavesTheFlagOnly) {
    EXPECT_EQ(Exit(), 1);
    EXPECT_EQ(Setting("Pellucid_activate"), "0");
    EXPECT_EQ(Setting("PosX"), "(absent)");
    EXPECT_EQ(Setting("PosY"), "(absent)");
}

// Without plug-in settings from the host the plug-in starts hidden and saves nothing.
TEST_F(Activation, WithoutSettingsThePluginStartsHiddenAndSavesNothing) {
    host::OfferSettings(false);
    ASSERT_EQ(Initialize(), 1);
    EXPECT_FALSE(TheWindow()->visible);
    ASSERT_EQ(Activate(1), 1);
    EXPECT_EQ(Exit(), 1);
    EXPECT_EQ(host::PluginSettings().ChildCount(), 0u);
    EXPECT_EQ(widgets().Ids(), std::vector<int32_t>{widgets().MainWindow()});
}

}  // namespace
