// Faults the fuzz targets found (fuzz/), kept as plain tests so that every build runs
// them: the plug-in's objects bound to the stand-in host linked into the test, started as
// the host starts it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/binds/documents.h"
#include "host/binds/host.h"
#include "host/binds/widgets/widgets.h"
#include "host/drive/option_list.h"
#include "host/drive/plugin_module.h"
#include "host/drive/widget_queries.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"
#include "plugin/host_api.h"
#include "slots/pellucid.h"
#include "widgets/widget_base.h"

extern "C" int32_t MQOnEvent(void* document, int32_t event, void* argument);

namespace {

class FuzzRegressionTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetHost();
        ASSERT_EQ(BindHostApi(host::HostModuleFile().c_str()), 1);
        MQOnEvent(nullptr, MQEVENT_LOAD_DOCUMENT, nullptr);  // no slots, five rows
        document = &host::OpenDocument();
        document->AddObject("Body", true);
        document->AddObject("Rig", false);
        host::TheWidgets().SetEventDocument(document->handle());
        ASSERT_EQ(MQOnEvent(document->handle(), MQEVENT_INITIALIZE, nullptr), 1);
        int32_t shown = 1;
        ASSERT_EQ(MQOnEvent(document->handle(), MQEVENT_ACTIVATE, &shown), 1);
    }

    void TearDown() override {
        MQOnEvent(document->handle(), MQEVENT_EXIT, nullptr);
        MQOnEvent(nullptr, MQEVENT_LOAD_DOCUMENT, nullptr);
        EXPECT_EQ(MQWidgetBase::RegisteredWidgetCount(), 0u);
        EXPECT_EQ(host::TheBreaches().Text(), "");
    }

    static Pellucid& plugin() { return *static_cast<Pellucid*>(GetPluginClass()); }

    // The first row's button showing `text`.
    static int32_t FirstRowButton(const char* text) {
        std::vector<int32_t> buttons = host::FindButtons(host::FindWindowTitled("Lucid"), text);
        return buttons.empty() ? 0 : buttons.front();
    }

    // Calls the handler the plug-in registered on `button` for "leftdown" the way a careless
    // host might: with an event of another name, or naming another widget as the sender.
    int32_t RaiseOnLeftDownHandler(int32_t button, const char* type, int32_t sender = 0, int32_t button_state = 0x09) {
        const host::Widget* widget = host::TheWidgets().Find(button);
        for (const host::WidgetEventRegistration& registration : widget->events) {
            if (registration.type != "leftdown") continue;
            host::OptionList options;
            options.Text("type", type).Int("target_id", button).Int("sender_id", sender != 0 ? sender : button);
            options.Int("button_state", button_state);
            return registration.proc(document->handle(), options.Array(), registration.pointer);
        }
        ADD_FAILURE() << "no leftdown handler on widget " << button;
        return -1;
    }

    host::Document* document = nullptr;
};

// fuzz_gestures: a "keydown" (or "paint") raised on the "S" button's "leftdown" handler
// had the window read the modifier flags of a mouse record past the end of the smaller
// key (or paint) record, and store or clear with whatever bytes lay there.
TEST_F(FuzzRegressionTest, KeyAndPaintEventsOnAMouseHandlerAreDroppedUnread) {
    int32_t store = FirstRowButton("S");
    int32_t recall = FirstRowButton("R");
    ASSERT_NE(store, 0);
    for (const char* type : {"keydown", "keyup", "paint"}) {
        EXPECT_EQ(RaiseOnLeftDownHandler(store, type), 0) << type;
        EXPECT_EQ(RaiseOnLeftDownHandler(recall, type), 0) << type;
    }
    EXPECT_TRUE(plugin().slots.empty());
    EXPECT_FALSE(host::TheWidgets().Find(store)->down);
    EXPECT_EQ(document->VisibilityPicture(), "10");

    // The mouse record it was registered for still stores (Ctrl appends: nothing admitted).
    EXPECT_EQ(RaiseOnLeftDownHandler(store, "leftdown"), 0);
    EXPECT_TRUE(host::TheWidgets().Find(store)->down);
    ASSERT_EQ(plugin().slots.size(), 5u);
}

// fuzz_gestures: a "leftdown" on the "S" handler that named the row's "R" button as its
// sender stored into the row and showed "R" pressed, leaving "S" up over a slot that held
// entries; the next plain click on "S" then overwrote them without asking.
TEST_F(FuzzRegressionTest, AStoreWhoseSenderIsNotAnSButtonIsIgnored) {
    int32_t store = FirstRowButton("S");
    int32_t recall = FirstRowButton("R");
    ASSERT_NE(recall, 0);
    EXPECT_EQ(RaiseOnLeftDownHandler(store, "leftdown", recall, 0x01), 0);
    EXPECT_TRUE(plugin().slots.empty());
    EXPECT_FALSE(host::TheWidgets().Find(recall)->down);
    EXPECT_FALSE(host::TheWidgets().Find(store)->down);

    // Named rightly, the same event stores the row and shows its "S" pressed.
    EXPECT_EQ(RaiseOnLeftDownHandler(store, "leftdown", store, 0x01), 0);
    ASSERT_FALSE(plugin().slots.empty());
    EXPECT_EQ(plugin().slots[0].size(), 2u);
    EXPECT_TRUE(host::TheWidgets().Find(store)->down);
    EXPECT_FALSE(host::TheWidgets().Find(recall)->down);
}

}  // namespace
