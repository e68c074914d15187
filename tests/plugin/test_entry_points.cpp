// The plug-in file as the host sees it: handshake, identity and events, through the
// stand-in host.
#include <string>

#include "support/plugin_fixture.h"

namespace {

class EntryPoints : public PluginTest {
protected:
    void SetUp() override { LoadPlugin(false); }
};

TEST_F(EntryPoints, HandshakeAcceptsTheHostAndBindsWithoutCallingIt) {
    EXPECT_TRUE(plugin->Handshake(0x4101));
    EXPECT_EQ(plugin->version_answer(), 0x411u);
    EXPECT_TRUE(journal().Calls().empty()) << journal().Text();
}

TEST_F(EntryPoints, AnOldHostIsRefusedBeforeBinding) {
    EXPECT_FALSE(plugin->Handshake(0x4100));
    EXPECT_EQ(plugin->version_answer(), 0u);
}

TEST_F(EntryPoints, InitWithAFileThatIsNotTheHostFails) {
    EXPECT_EQ(plugin->MQInit("/no/such/host"), 0);
    EXPECT_EQ(plugin->MQInit(nullptr), 0);
}

TEST_F(EntryPoints, IdentityAnswersBeforeAndAfterTheHandshake) {
    for (int round = 0; round < 2; ++round) {
        host::PluginIdentity identity = plugin->Identity();
        EXPECT_EQ(identity.product, 0x7C4B21D9u);
        EXPECT_EQ(identity.id, 0x3E8A6F12u);
        EXPECT_EQ(identity.type, 6);
        EXPECT_EQ(identity.menu, "Pellucid");
        EXPECT_EQ(identity.name.rfind("Pellucid v.1.2  ", 0), 0u) << identity.name;
        EXPECT_GT(identity.name.size(), std::string("Pellucid v.1.2  ").size());
        ASSERT_TRUE(plugin->Handshake());
    }
}

TEST_F(EntryPoints, StationPluginHasOneMenuStringAndNoFileTypes) {
    EXPECT_EQ(plugin->MQEnumString(1), nullptr);
    EXPECT_EQ(plugin->MQEnumString(-1), nullptr);
    EXPECT_EQ(plugin->MQEnumFileType(0), nullptr);
    EXPECT_EQ(plugin->MQEnumFileExt(0), nullptr);
}

TEST_F(EntryPoints, FileAndObjectExportsAnswerFalseForAStationPlugin) {
    ASSERT_TRUE(plugin->Handshake());
    int a = 0, b = 0;
    EXPECT_EQ(plugin->MQImportFile(0, &a, &b), 0);
    EXPECT_EQ(plugin->MQExportFile(0, &a, &b), 0);
    EXPECT_EQ(plugin->MQCreate(0, &a), 0);
    EXPECT_EQ(plugin->MQModifyObject(0, &a), 0);
    EXPECT_EQ(plugin->MQModifySelect(0, &a), 0);
    EXPECT_TRUE(journal().Calls().empty()) << journal().Text();
}

class Events : public PluginTest {};

TEST_F(Events, MouseAndKeyEventsAnswerZeroAndLeaveOptionsAlone) {
    host::OptionList options;
    options.Int("button_state", 0x0F).Int("mouse_pos_x", 3).Int("key", 65).Null("scene");
    for (int32_t event = 120; event <= 130; ++event) EXPECT_EQ(plugin->SendEvent(nullptr, event, options), 0);
    EXPECT_EQ(plugin->SendEvent(nullptr, 140, options), 0);
    EXPECT_EQ(plugin->SendEvent(nullptr, 141, options), 0);
    EXPECT_EQ(*options.IntOf("button_state"), 0x0F);
    EXPECT_EQ(*options.IntOf("key"), 65);
}

TEST_F(Events, EventsOutsideTheTableAnswerZero) {
    for (int32_t event : {0, 3, 99, 104, 203, 241}) EXPECT_EQ(plugin->SendEvent(nullptr, event, nullptr), 0);
    EXPECT_TRUE(journal().Calls().empty());
}

TEST_F(Events, MessageEventWritesTheDefaultResult) {
    host::OptionList options;
    options.Int("src_product", 1).Int("result", -1);
    EXPECT_EQ(plugin->SendEvent(nullptr, 103, options), 1);
    EXPECT_EQ(*options.IntOf("result"), 0);
}

TEST_F(Events, SaveNeverAsksForUniqueIds) {
    host::OptionList options;
    options.Null("xml_elem").Text("filename", "scene.mqx").Int("save_uid", 0);
    EXPECT_EQ(plugin->SendEvent(nullptr, 202, options), 1);
    EXPECT_EQ(*options.IntOf("save_uid"), 0);
}

TEST_F(Events, DefaultEventsAnswerAsTheTableSays) {
    int32_t flag = 1;
    EXPECT_EQ(plugin->SendEvent(nullptr, 102, &flag), 1);
    EXPECT_EQ(plugin->SendEvent(nullptr, 102, nullptr), 0);
    EXPECT_EQ(plugin->SendEvent(nullptr, 100, nullptr), 0);
    for (int32_t event : {110, 201, 212, 220, 221, 222, 230, 231, 240})
        EXPECT_EQ(plugin->SendEvent(nullptr, event, nullptr), 1) << event;
    EXPECT_EQ(plugin->SendEvent(nullptr, 210, nullptr), 0);
    EXPECT_EQ(plugin->SendEvent(nullptr, 211, nullptr), 0);
}

}  // namespace
