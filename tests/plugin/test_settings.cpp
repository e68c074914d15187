// The plug-in's settings section in the stand-in host's settings, and the host's settings
// file that keeps it across a restart.
#include <gtest/gtest.h>

#include "support/bound_host.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/binds/host.h"
#include "host/binds/settings.h"
#include "host/drive/plugin_module.h"
#include "host/records/journal.h"
#include "plugin/host_api.h"
#include "plugin/settings.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSectionName = "Plugin-7C4B21D9-3E8A6F12";

// A plug-in that is nothing but an identity.
class IdentityPlugin : public MQBasePlugin {
public:
    IdentityPlugin(uint32_t product, uint32_t id) : product_(product), id_(id) {}
    void GetPlugInID(uint32_t* product, uint32_t* id) override {
        *product = product_;
        *id = id_;
    }
    const char* GetPlugInName() override { return "identity"; }
    int32_t GetPlugInType() override { return 6; }

private:
    uint32_t product_, id_;
};

class SettingsTest : public BoundHostTest {
protected:
    std::unique_ptr<MQSetting> Open() { return OpenSettingsSection(GetPluginClass()); }

    // The section as the host holds it, made by hand for tests that start from content.
    host::XmlElement& HandMadeSection() { return host::PluginSettings().AppendChild(kSectionName); }

    std::vector<std::pair<std::string, std::string>> Keys(const host::XmlElement& section) {
        std::vector<std::pair<std::string, std::string>> keys;
        for (auto* key = section.FirstChild(); key != nullptr; key = key->NextSibling()) {
            keys.emplace_back(key->Name(), key->Text());
        }
        return keys;
    }
};

TEST_F(SettingsTest, OpeningTwiceFindsTheSectionThatTheFirstOpeningAdded) {
    auto first = Open();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->settingsRoot, &host::PluginSettings());
    ASSERT_EQ(host::PluginSettings().ChildCount(), 1u);
    EXPECT_EQ(host::PluginSettings().FirstChild()->Name(), kSectionName);
    EXPECT_EQ(first->section, host::PluginSettings().FirstChild());
    first.reset();

    auto second = Open();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->section, host::PluginSettings().FirstChild());
    EXPECT_EQ(host::PluginSettings().ChildCount(), 1u);
}

TEST_F(SettingsTest, TheSectionIsNamedByBothIdsInEightUpperCaseHexDigits) {
    auto own = Open();
    ASSERT_TRUE(own);
    EXPECT_EQ(own->sectionName, kSectionName);

    IdentityPlugin small(0xAB, 0x00C0FFEE);
    auto other = OpenSettingsSection(&small);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->sectionName, "Plugin-000000AB-00C0FFEE");
    EXPECT_EQ(static_cast<host::XmlElement*>(other->section)->Name(), "Plugin-000000AB-00C0FFEE");
    EXPECT_NE(other->section, own->section);
}

TEST_F(SettingsTest, Message505HandsOutTheRootAndThePluginSettings) {
    MQOption options[] = {{"root", nullptr}, {"pluginsettings", nullptr}, {nullptr, nullptr}};
    MQSendMessageInfo message{0x12, 0x34, 0, options};
    g_host.MQ_SendMessage(MQ_MESSAGE_PLUGIN_SETTINGS, &message);
    EXPECT_EQ(options[0].value, &host::SettingsRoot());
    EXPECT_EQ(options[1].value, &host::PluginSettings());
    EXPECT_EQ(host::PluginSettings().Parent(), &host::SettingsRoot());
    EXPECT_EQ(host::TheJournal().Calls().back().args, (std::vector<std::string>{"505", "0x00000012", "0x00000034"}));
}

TEST_F(SettingsTest, WithoutSettingsOfferedNoSectionIsOpened) {
    host::OfferSettings(false);
    EXPECT_FALSE(Open());
    EXPECT_EQ(host::TheJournal().Count("MQ_SendMessage"), 1u);
    EXPECT_EQ(host::TheJournal().Count("MQXmlElem_Value"), 0u);
    EXPECT_EQ(host::PluginSettings().ChildCount(), 0u);
}

TEST_F(SettingsTest, IntegersAndFlagsAreSavedAsDecimalText) {
    auto setting = Open();
    ASSERT_TRUE(setting);
    setting->SaveInt("PosX", -15);
    EXPECT_EQ(setting->LoadInt("PosX", -1), -15);
    EXPECT_EQ(setting->LoadInt("PosY", -1), -1);
    setting->SaveBool("Pellucid_activate", true);
    setting->SaveBool("Pellucid_activate", false);
    EXPECT_FALSE(setting->LoadBool("Pellucid_activate"));
    EXPECT_EQ(Keys(*static_cast<host::XmlElement*>(setting->section)),
              (std::vector<std::pair<std::string, std::string>>{{"PosX", "-15"}, {"Pellucid_activate", "0"}}));
}

TEST_F(SettingsTest, WithTwoElementsOfAKeyLoadReadsTheFirstAndSaveReplacesOnlyIt) {
    host::XmlElement& section = HandMadeSection();
    section.AppendChild("PosX").SetText("3");
    section.AppendChild("Other").SetText("kept");
    section.AppendChild("PosX").SetText("9");

    auto setting = Open();
    ASSERT_TRUE(setting);
    EXPECT_EQ(setting->section, &section);
    EXPECT_EQ(setting->LoadInt("PosX", -1), 3);
    setting->SaveInt("PosX", 5);
    EXPECT_EQ(Keys(section), (std::vector<std::pair<std::string, std::string>>{
                                 {"Other", "kept"}, {"PosX", "9"}, {"PosX", "5"}}));
    EXPECT_EQ(setting->LoadInt("PosX", -1), 9);
}

TEST_F(SettingsTest, KeyTextsReadAsTheCRuntimeReadsIntegers) {
    struct Case {
        const char* text;
        int32_t as_int;  // with the default -1
        bool as_bool;
    };
    const Case cases[] = {
        {" 7", 7, true}, {"12px", 12, true}, {"px", 0, false}, {"", -1, false}, {"-0", 0, false},
        {"99999999999", INT32_MAX, true}, {"-99999999999", INT32_MIN, true},
    };
    host::XmlElement& section = HandMadeSection();
    for (const Case& c : cases) section.AppendChild(std::string("k") + std::to_string(&c - cases)).SetText(c.text);
    auto setting = Open();
    ASSERT_TRUE(setting);
    for (const Case& c : cases) {
        std::string key = "k" + std::to_string(&c - cases);
        EXPECT_EQ(setting->LoadInt(key.c_str(), -1), c.as_int) << '"' << c.text << '"';
        EXPECT_EQ(setting->LoadBool(key.c_str()), c.as_bool) << '"' << c.text << '"';
    }
    EXPECT_FALSE(setting->LoadBool("missing"));
    EXPECT_EQ(setting->LoadInt(nullptr, 4), 4);
}

// ---- The settings file -------------------------------------------------------------------

class SettingsFileTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        static std::atomic<int> serial{0};
        directory = fs::temp_directory_path() /
                    ("pellucid-settings-" + std::to_string(serial++) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory);
        fs::create_directories(directory);
        file = (directory / "settings.xml").string();
    }
    void TearDown() override {
        SettingsTest::TearDown();
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void Write(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }

    fs::path directory;
    std::string file;
};

TEST_F(SettingsFileTest, ASectionSurvivesARestart) {
    EXPECT_EQ(host::LoadSettings(file).outcome, host::SettingsLoad::kMissing);
    {
        auto setting = Open();
        ASSERT_TRUE(setting);
        setting->SaveBool("Pellucid_activate", true);
        setting->SaveInt("PosX", -15);
        setting->SaveInt("PosY", 240);
    }
    std::string error;
    ASSERT_TRUE(host::SaveSettings(&error)) << error;
    EXPECT_FALSE(fs::exists(file + ".tmp"));
    EXPECT_NE(Read(file).find("<PosX>-15</PosX>"), std::string::npos) << Read(file);

    host::ResetHost();  // the host's exit and a new start
    EXPECT_EQ(host::PluginSettings().ChildCount(), 0u);
    EXPECT_EQ(host::LoadSettings(file).outcome, host::SettingsLoad::kRead);
    auto setting = Open();
    ASSERT_TRUE(setting);
    EXPECT_EQ(host::PluginSettings().ChildCount(), 1u);
    EXPECT_TRUE(setting->LoadBool("Pellucid_activate"));
    EXPECT_EQ(setting->LoadInt("PosX", -1), -15);
    EXPECT_EQ(setting->LoadInt("PosY", -1), 240);

    setting->SaveInt("PosX", 7);  // a second save replaces the file
    ASSERT_TRUE(host::SaveSettings());
    EXPECT_NE(Read(file).find("<PosX>7</PosX>"), std::string::npos) << Read(file);
}

TEST_F(SettingsFileTest, ADamagedFileIsKeptAsideAndTheHostStartsEmpty) {
    const std::string damaged = "<?xml version=\"1.0\"?>\n<settings><pluginsettings><Plugin-7C4B21D9";
    Write(file, damaged);

    host::SettingsLoad load = host::LoadSettings(file);
    EXPECT_EQ(load.outcome, host::SettingsLoad::kDamaged);
    EXPECT_EQ(load.kept_as, file + ".damaged");
    EXPECT_NE(load.report.find(file), std::string::npos) << load.report;
    EXPECT_NE(load.report.find(load.kept_as), std::string::npos) << load.report;
    EXPECT_EQ(load.report.find('\n'), std::string::npos);
    EXPECT_EQ(Read(load.kept_as), damaged);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(host::PluginSettings().ChildCount(), 0u);

    // The host goes on with empty settings and writes them; a second damaged file does
    // not replace the first one kept aside.
    ASSERT_TRUE(Open());
    ASSERT_TRUE(host::SaveSettings());
    Write(file, "garbage");
    host::SettingsLoad again = host::LoadSettings(file);
    EXPECT_EQ(again.kept_as, file + ".damaged-2");
    EXPECT_EQ(Read(again.kept_as), "garbage");
    EXPECT_EQ(Read(load.kept_as), damaged);

    // What is not a file at all stays where it is, and is not written over.
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_EQ(host::LoadSettings(file).outcome, host::SettingsLoad::kDamaged);
    EXPECT_FALSE(host::SaveSettings());
    EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(SettingsFileTest, AFailedWriteLeavesTheOldFileWhole) {
    host::LoadSettings(file);
    Open()->SaveInt("PosX", 1);
    ASSERT_TRUE(host::SaveSettings());
    const std::string before = Read(file);

    Open()->SaveInt("PosX", 2);
    fs::create_directory(file + ".tmp");  // the temporary file cannot be made
    std::string error;
    EXPECT_FALSE(host::SaveSettings(&error));
    EXPECT_NE(error.find(".tmp"), std::string::npos) << error;
    EXPECT_EQ(Read(file), before);

    host::ResetHost();
    EXPECT_FALSE(host::SaveSettings(&error));  // no file in use
}

}  // namespace
