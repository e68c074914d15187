// pellucid-host's engine driven by scripts, as the program drives it: what it prints and
// the files it writes, compared with the expected files in tests/host/expected. The sessions
// run in a temporary folder with relative file names, so nothing printed or written
// depends on where the test runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/breaches.h"
#include "host/file_io.h"
#include "host/host.h"
#include "host/plugin_module.h"
#include "host/cli/session.h"
#include "host/widgets.h"
#include "host/xml.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

// The build copies the tour's scripts, the workshop scene and the expected files into
// "lucid_data" beside the test program.
std::string DataFile(const std::string& name) { return platform::ProgramFolder() + "lucid_data/" + name; }

std::string ReadText(const std::string& file) {
    std::string content, error;
    EXPECT_TRUE(host::ReadWholeFile(file, &content, &error)) << file << ": " << error;
    return content;
}

std::vector<std::string> Lines(const std::string& file) {
    std::vector<std::string> lines;
    std::istringstream text(ReadText(file));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

// A scene file with the entries of each slot sorted by name: a slot's order is its hash
// map's and means nothing, so it is no part of what is compared.
std::string SortedScene(const std::string& text) {
    std::string error;
    std::unique_ptr<host::XmlElement> root = host::ParseXml(text, &error);
    if (!root) return "not a scene: " + error;
    std::vector<host::XmlElement*> lists;
    std::vector<host::XmlElement*> pending{root.get()};
    while (!pending.empty()) {
        host::XmlElement* element = pending.back();
        pending.pop_back();
        if (element->Name() == "list") lists.push_back(element);
        for (host::XmlElement* child = element->FirstChild(); child != nullptr; child = child->NextSibling()) {
            pending.push_back(child);
        }
    }
    for (host::XmlElement* list : lists) {
        std::vector<std::unique_ptr<host::XmlElement>> entries;
        while (list->FirstChild() != nullptr) entries.push_back(list->DetachChild(list->FirstChild()));
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return a->Text() < b->Text(); });
        for (auto& entry : entries) list->AppendChild(std::move(entry));
    }
    return host::WriteXml(*root);
}

class PellucidHost : public ::testing::Test {
protected:
    // Each test works in a folder of its own, which it leaves with the host reset.
    void SetUp() override {
        host::ResetHost();
        home_ = fs::current_path();
        folder_ = fs::temp_directory_path() /
                  ("lucid-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::current_path(folder_);
    }
    void TearDown() override {
        EXPECT_EQ(host::TheBreaches().Text(), "");
        fs::current_path(home_);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        host::ResetHost();
    }

    // Runs a script as pellucid-host runs one: every line but blank lines and comments is
    // echoed after a blank line and "> ", then carried out; the session ends at quit or at
    // the end of the script.
    static std::string RunScript(const std::string& scene, const std::vector<std::string>& script) {
        std::ostringstream out;
        host::Session session(out, nullptr);
        if (!session.Start({host::PluginFileBesideProgram(), "settings.xml", scene})) return out.str();
        for (const std::string& line : script) {
            if (session.finished()) break;
            if (!line.empty() && line[0] != '#') out << "\n> " << line << "\n";
            session.Execute(line);
        }
        session.Finish();
        return out.str();
    }

    fs::path home_;
    fs::path folder_;
};

// The tour of `make demo`, both sessions: the second opens the scene and the settings that
// the first wrote.
TEST_F(PellucidHost, TourPrintsAndWritesWhatIsExpected) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    EXPECT_EQ(RunScript("workshop.scene", Lines(DataFile("tour-1.txt"))), ReadText(DataFile("tour-1.out")));
    EXPECT_EQ(SortedScene(ReadText("tour.scene")), ReadText(DataFile("tour.scene")));
    EXPECT_EQ(ReadText("settings.xml"), ReadText(DataFile("tour-settings.xml")));
    EXPECT_EQ(ReadText("workshop.scene"), ReadText(DataFile("workshop.scene"))) << "the opened scene was written";

    EXPECT_EQ(RunScript("tour.scene", Lines(DataFile("tour-2.txt"))), ReadText(DataFile("tour-2.out")));
    EXPECT_EQ(ReadText("settings.xml"), ReadText(DataFile("tour-settings.xml")));
    EXPECT_FALSE(fs::exists("settings.xml.tmp"));
    EXPECT_FALSE(fs::exists("tour.scene.tmp"));
}

// Each mistake prints one line, and the session goes on to its end.
TEST_F(PellucidHost, MistakesPrintOneLineEachAndTheSessionGoesOn) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    EXPECT_EQ(RunScript("workshop.scene", Lines(DataFile("mistakes.txt"))), ReadText(DataFile("mistakes.out")));
}

// Lines whose wording comes from the system (a file that cannot be read) are counted, not
// compared; the session is still there to carry out the next command.
TEST_F(PellucidHost, AFileThatCannotBeOpenedIsOneLineToo) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    { std::ofstream("broken.scene") << "<scene><objects><object/></objects></scene>"; }
    { std::ofstream("notxml.scene") << "<scene>"; }
    std::ostringstream out;
    host::Session session(out, nullptr);
    ASSERT_TRUE(session.Start({host::PluginFileBesideProgram(), "settings.xml", "workshop.scene"}));
    for (const char* line :
         {"load missing.scene", "load broken.scene", "load notxml.scene", "save no/such/folder/x.scene"}) {
        out.str("");
        session.Execute(line);
        std::string printed = out.str();
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << line << " printed:\n" << printed;
        EXPECT_FALSE(session.finished()) << line;
    }
    EXPECT_EQ(session.document()->PlaceCount(), 12) << "a failed load replaced the scene";
    session.Finish();
    out.str("");
    session.Execute("list");
    EXPECT_EQ(out.str(), "the session has ended\n");
}

// The README quotes help's list of commands word for word; a command added, renamed or
// described anew in the table shows up here until the README says the same.
TEST_F(PellucidHost, TheReadmeQuotesHelpWordForWord) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    std::ostringstream out;
    host::Session session(out, nullptr);
    ASSERT_TRUE(session.Start({host::PluginFileBesideProgram(), "settings.xml", "workshop.scene"}));
    out.str("");
    session.Execute("help");
    std::string help = out.str();
    ASSERT_NE(help, "");
    EXPECT_NE(ReadText(DataFile("README.md")).find("```text\n" + help + "```\n"), std::string::npos)
        << "help prints:\n" << help;
}

TEST_F(PellucidHost, APluginFileThatCannotBeLoadedEndsTheStartInOneLine) {
    std::ostringstream out;
    host::Session session(out, nullptr);
    std::string missing = "no-such-plugin" + std::string(platform::ModuleSuffix());
    EXPECT_FALSE(session.Start({missing, "settings.xml", "none.scene"}));
    EXPECT_EQ(out.str(), "settings: settings.xml (new)\ncannot start: cannot load the plug-in file " + missing + "\n");
    EXPECT_TRUE(session.finished());
}

}  // namespace
