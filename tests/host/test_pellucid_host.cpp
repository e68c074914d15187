// pellucid-host's engine driven by scripts, as the program drives it: what it prints and
// the files it writes, compared with the expected files in tests/host/expected. The sessions
// run in a temporary folder with relative file names, so nothing printed or written
// depends on where the test runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/binds/host.h"
#include "host/binds/widgets/widgets.h"
#include "host/binds/xml.h"
#include "host/drive/plugin_module.h"
#include "host/files/file_io.h"
#include "host/files/scene_file.h"
#include "host/files/xml_file.h"
#include "host/records/breaches.h"
#include "host/session/run.h"
#include "host/session/session.h"
#include "host/session/terminal.h"
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

    // Runs a script as pellucid-host runs one, and returns what it printed; `status` gets
    // the program's exit status.
    static std::string RunScript(const std::string& scene, const std::string& script, int* status = nullptr,
                                 host::RunOptions run = {}) {
        std::ostringstream out;
        std::istringstream input(script);
        host::Session session(out, run.interactive ? &input : nullptr);
        host::SessionOptions options{host::PluginFileBesideProgram(), "settings.xml", scene};
        options.force = run.force;
        int result = session.Start(options) ? host::RunCommands(session, input, out, run) : 1;
        if (status != nullptr) *status = result;
        return out.str();
    }

    fs::path home_;
    fs::path folder_;
};

// The tour of `make demo`, both sessions: the second opens the scene and the settings that
// the first wrote.
TEST_F(PellucidHost, TourPrintsAndWritesWhatIsExpected) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    int status = -1;
    EXPECT_EQ(RunScript("workshop.scene", ReadText(DataFile("tour-1.txt")), &status), ReadText(DataFile("tour-1.out")));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(SortedScene(ReadText("tour.scene")), ReadText(DataFile("tour.scene")));
    EXPECT_EQ(ReadText("settings.xml"), ReadText(DataFile("tour-settings.xml")));
    EXPECT_EQ(ReadText("workshop.scene"), ReadText(DataFile("workshop.scene"))) << "the opened scene was written";

    EXPECT_EQ(RunScript("tour.scene", ReadText(DataFile("tour-2.txt")), &status), ReadText(DataFile("tour-2.out")));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadText("settings.xml"), ReadText(DataFile("tour-settings.xml")));
    EXPECT_FALSE(fs::exists("settings.xml.tmp"));
    EXPECT_FALSE(fs::exists("tour.scene.tmp"));
}

// With --keep-going each mistake prints one line, and the session goes on to its end,
// which still reports the failures in its status.
TEST_F(PellucidHost, MistakesPrintOneLineEachAndTheSessionGoesOn) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    int status = -1;
    host::RunOptions keep_going;
    keep_going.keep_going = true;
    EXPECT_EQ(RunScript("workshop.scene", ReadText(DataFile("mistakes.txt")), &status, keep_going),
              ReadText(DataFile("mistakes.out")));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadText("workshop.scene"), ReadText(DataFile("workshop.scene"))) << "a refused quit saved the scene";
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
    // The loader's own words follow in parentheses; their wording is the system's.
    std::string start = "settings: settings.xml (new)\ncannot start: cannot load the plug-in file " + missing + " (";
    std::string printed = out.str();
    EXPECT_EQ(printed.substr(0, start.size()), start) << printed;
    EXPECT_GT(printed.size(), start.size() + 2) << "no reason given: " << printed;
    EXPECT_EQ(printed.substr(printed.size() - 2), ")\n") << printed;
    EXPECT_TRUE(session.finished());
}

// A script stops at its first failing command with status 1; work not saved is never
// dropped without a word: a script's quit is refused, and its end says what was dropped,
// unless --force says to.
TEST_F(PellucidHost, AScriptStopsAtItsFirstFailureAndSaysWhatItDrops) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    int status = -1;
    std::string printed = RunScript("workshop.scene", "open\ns 1\nquit\nlist\n", &status);
    EXPECT_EQ(status, 1);
    std::string tail =
        "\n> quit\n"
        "not quitting: the scene has unsaved changes; save FILE keeps them, --force lets a script drop them\n"
        "the script stops at its first failing command (--keep-going carries on past them)\n"
        "the input ended with unsaved changes, which are dropped: save FILE keeps them, --force drops them without this\n"
        "settings written to settings.xml\n";
    ASSERT_GE(printed.size(), tail.size());
    EXPECT_EQ(printed.substr(printed.size() - tail.size()), tail) << printed;

    host::RunOptions force;
    force.force = true;
    printed = RunScript("workshop.scene", "open\nhide Floor\n", &status, force);
    EXPECT_EQ(status, 0) << printed;
    EXPECT_EQ(printed.find("unsaved"), std::string::npos) << printed;

    printed = RunScript("workshop.scene", "open\nfrobnicate\nhide Floor\n", &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(printed.find("> hide Floor"), std::string::npos) << "the script went on past its failure:\n" << printed;

    printed = RunScript("missing.scene", "list\n", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(printed.find("cannot open the scene: missing.scene"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("> list"), std::string::npos) << "a missing scene went on with an empty one:\n" << printed;
}

// At the terminal the user is asked instead: quit and load go ahead only on yes, the first
// end of the input only warns, and questions are answered as typed.
TEST_F(PellucidHost, AUserIsAskedBeforeTheirWorkIsDropped) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    host::RunOptions interactive;
    interactive.interactive = true;
    int status = -1;
    std::string printed = RunScript("workshop.scene",
                                    "open\ns 1\ns 1\nok\nquit\nno\nload workshop.scene\nyes\n"
                                    "answer ok\nlist\nhide Floor\n",
                                    &status, interactive);
    EXPECT_EQ(status, 0);
    std::string expected =
        "pellucid> Lucid asks: Overwrite? [ok/cancel] Lucid asked \"Overwrite?\": OK\n"
        "scene: no change\n"
        "pellucid> the scene has unsaved changes; drop them? [yes/no] not quitting: the changes are still here; "
        "save FILE keeps them\n"
        "pellucid> the scene has unsaved changes; drop them? [yes/no] scene: workshop.scene (12 objects)\n";
    EXPECT_NE(printed.find(expected), std::string::npos) << printed;
    EXPECT_NE(printed.find("  #11  \"Blockout_Old\"  hidden  value262=1\nno question is waiting\n"), std::string::npos)
        << printed;
    std::string tail =
        "scene: \"Floor\" hidden\n"
        "pellucid> \n"
        "the scene has unsaved changes: save FILE keeps them; end the input again, or quit, to drop them\n"
        "pellucid> \n"
        "settings written to settings.xml\n";
    ASSERT_GE(printed.size(), tail.size());
    EXPECT_EQ(printed.substr(printed.size() - tail.size()), tail) << printed;
}

// The sample bundled beside the program is never written: a bare save asks for a file of
// the user's own (a script is refused), and the sample's own name is refused.
TEST_F(PellucidHost, TheBundledSampleIsNeverWritten) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    std::ostringstream out;
    std::istringstream user("mine.scene\n");
    {
        host::Session session(out, nullptr);
        host::SessionOptions options(host::PluginFileBesideProgram(), "settings.xml", "workshop.scene");
        options.scene_is_sample = true;
        ASSERT_TRUE(session.Start(options));
        session.Execute("hide Floor");
        out.str("");
        EXPECT_FALSE(session.Execute("save"));
        EXPECT_FALSE(session.Execute("save ./workshop.scene"));
        EXPECT_EQ(out.str(),
                  "not saved: the bundled sample is kept as it is; save FILE saves to a file of your own\n"
                  "not saved: ./workshop.scene is the bundled sample, which is kept as it is; name another file\n");
        EXPECT_TRUE(session.Execute("save own.scene"));
        EXPECT_TRUE(session.Execute("save")) << "after a save the scene's file is the user's";
        session.Finish();
    }
    host::ResetHost();
    {
        host::Session session(out, &user);
        host::SessionOptions options(host::PluginFileBesideProgram(), "settings.xml", "workshop.scene");
        options.scene_is_sample = true;
        ASSERT_TRUE(session.Start(options));
        out.str("");
        EXPECT_TRUE(session.Execute("save"));
        EXPECT_EQ(out.str(), "the bundled sample is kept as it is; save to which file? saved mine.scene\n");
        session.Finish();
    }
    EXPECT_EQ(ReadText("workshop.scene"), ReadText(DataFile("workshop.scene")));
    EXPECT_TRUE(fs::exists("own.scene"));
    EXPECT_TRUE(fs::exists("mine.scene"));
}

// The scene keeps names in the host's code page (the ANSI code page on Windows, UTF-8
// elsewhere): a name it cannot hold is refused and the object keeps its name, rather than
// being saved with "?" in it.
TEST_F(PellucidHost, ANameTheCodePageCannotHoldIsRefused) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    std::ostringstream out;
    host::Session session(out, nullptr);
    ASSERT_TRUE(session.Start({host::PluginFileBesideProgram(), "settings.xml", "workshop.scene"}));
    const std::string name = "\xE6\x97\xA5\xE6\x9C\xAC";  // two CJK characters, outside the Western code pages
    bool holds = platform::Recode(platform::CodePage::Ansi, platform::CodePage::Utf8,
                                  platform::Recode(platform::CodePage::Utf8, platform::CodePage::Ansi, name)) == name;
    out.str("");
    EXPECT_EQ(session.Execute("rename Floor " + name), holds);
    if (holds) {
        EXPECT_EQ(out.str(), "renamed \"Floor\" to \"" + name + "\"\n");
    } else {
        EXPECT_EQ(out.str(), "cannot rename: the scene's code page cannot hold the name \"" + name + "\"\n");
        EXPECT_EQ(host::Utf8FromHostText(session.document()->ObjectAt(0)->name()), "Floor");
    }
    session.Finish();
}

#if !defined(_WIN32)
// Ctrl+C stops a script between commands, and the session still ends by writing the
// settings. (On Windows the console's Ctrl+C reaches a handler that raise() does not.)
TEST_F(PellucidHost, CtrlCStopsAScriptAndTheSettingsAreStillWritten) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    host::WatchTheTerminal();
    std::raise(SIGINT);
    int status = -1;
    std::string printed = RunScript("workshop.scene", "open\n", &status);
    EXPECT_EQ(status, 130);
    EXPECT_NE(printed.find("interrupted: the script stops here\nsettings written to settings.xml\n"), std::string::npos)
        << printed;
    EXPECT_EQ(printed.find("> open"), std::string::npos) << printed;
    EXPECT_TRUE(fs::exists("settings.xml"));
}
#endif

}  // namespace
