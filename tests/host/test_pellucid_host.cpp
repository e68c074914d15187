// pellucid-host's engine driven by scripts, as the program drives it: what it prints and
// the files it writes, compared with the expected files in tests/host/expected. The sessions
// run in a temporary folder with relative file names, so nothing printed or written
// depends on where the test runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
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

#if !defined(_WIN32)
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
        EXPECT_EQ(out.str(), "cannot rename: the name \"" + name +
                                 "\" has a character that the scene's code page cannot hold\n");
        EXPECT_EQ(host::Utf8FromHostText(session.document()->ObjectAt(0)->name()), "Floor");
    }
    session.Finish();
}

// The sample is kept by its identity, whichever scene the session started on and whatever
// name reaches it: another spelling of its path opened and saved, a save to its path from
// another scene, a load of it followed by a save, a link to it.
TEST_F(PellucidHost, TheBundledSampleIsKeptUnderEveryName) {
    fs::create_directories("program");
    fs::copy_file(DataFile("workshop.scene"), "program/workshop.scene");
    fs::copy_file(DataFile("workshop.scene"), "mine.scene");
    auto run = [](const std::string& scene, const std::string& line) {
        std::ostringstream out;
        host::Session session(out, nullptr);
        host::SessionOptions options(host::PluginFileBesideProgram(), "settings.xml", scene);
        options.sample_file = "program/workshop.scene";
        EXPECT_TRUE(session.Start(options));
        out.str("");
        bool saved = session.Execute(line);
        session.Finish();
        host::ResetHost();
        EXPECT_FALSE(saved) << line << " printed:\n" << out.str();
        return out.str().substr(0, out.str().find('\n') + 1);
    };
    const std::string bare = "not saved: the bundled sample is kept as it is; save FILE saves to a file of your own\n";
    EXPECT_EQ(run("program/../program/workshop.scene", "save"), bare);
    EXPECT_EQ(run("mine.scene", "save ./program/workshop.scene"),
              "not saved: ./program/workshop.scene is the bundled sample, which is kept as it is; name another file\n");
    std::ostringstream out;
    {
        host::Session session(out, nullptr);
        host::SessionOptions options(host::PluginFileBesideProgram(), "settings.xml", "mine.scene");
        options.sample_file = "program/workshop.scene";
        ASSERT_TRUE(session.Start(options));
        EXPECT_TRUE(session.Execute("load program/workshop.scene"));
        out.str("");
        EXPECT_FALSE(session.Execute("save"));
        EXPECT_EQ(out.str(), bare);
        session.Finish();
    }
    host::ResetHost();
    std::error_code no_links;
    fs::create_symlink("program/workshop.scene", "link.scene", no_links);
    if (!no_links) {
        EXPECT_EQ(run("mine.scene", "save link.scene"),
                  "not saved: link.scene is the bundled sample, which is kept as it is; name another file\n");
    }
    EXPECT_EQ(ReadText("program/workshop.scene"), ReadText(DataFile("workshop.scene")));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("program/workshop.scene")));
}

// A scene reached through a link is saved into the file the link names, and the link
// stays; a read-only scene is not saved, says so and how to save elsewhere, keeps its
// contents and its mode, and the changes stay unsaved.
TEST_F(PellucidHost, ALinkedSceneIsSavedThroughItsLinkAndAReadOnlySceneIsRefused) {
    fs::copy_file(DataFile("workshop.scene"), "mine.scene");
    fs::copy_file(DataFile("workshop.scene"), "locked.scene");
    fs::permissions("locked.scene", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::error_code no_links;
    fs::create_symlink("mine.scene", "link.scene", no_links);
    std::ostringstream out;
    host::Session session(out, nullptr);
    ASSERT_TRUE(session.Start({host::PluginFileBesideProgram(), "settings.xml", no_links ? "mine.scene" : "link.scene"}));
    session.Execute("hide Floor");
    EXPECT_TRUE(session.Execute("save"));
    EXPECT_TRUE(no_links || fs::is_symlink("link.scene"));
    EXPECT_NE(ReadText("mine.scene").find("name=\"Floor\" visible=\"false\""), std::string::npos);
    out.str("");
    EXPECT_FALSE(session.Execute("save locked.scene"));
    EXPECT_EQ(out.str(),
              "not saved: locked.scene is read-only, so it is left as it is; name another file to save elsewhere\n");
    EXPECT_EQ(ReadText("locked.scene"), ReadText(DataFile("workshop.scene")));
    EXPECT_EQ(fs::status("locked.scene").permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_TRUE(session.Execute("load locked.scene")) << "a read-only scene can still be opened";
    session.Execute("hide Floor");
    EXPECT_FALSE(session.Execute("save"));
    EXPECT_TRUE(session.unsaved());
    session.Finish();
    fs::permissions("locked.scene", fs::perms::owner_write, fs::perm_options::add);
}

// Names that an XML file cannot carry, or that are not UTF-8, never enter the scene: a load
// names the object entry, the character or byte and its offset; a rename is refused the
// same way. A document or plug-in data that holds one anyway is not written, and the old
// file stays.
TEST_F(PellucidHost, NamesAnXmlFileCannotCarryAreRefusedWithTheObjectAndTheOffset) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    struct BadName {
        const char* in_file;  // the attribute as the file holds it
        const char* refusal;  // what the load says after the entry
    };
    const BadName bad[] = {
        {"a&#1;&#2;", "object entry 2 (\"a\\x01\\x02\"): its name has U+0001 at byte 1, which an XML file cannot carry"},
        {"\x1b[31mred", "object entry 2 (\"\\x1B[31mred\"): its name has U+001B at byte 0, which an XML file cannot carry"},
        {"end&#xFFFE;", "object entry 2 (\"end\xEF\xBF\xBE\"): its name has U+FFFE at byte 3, which an XML file cannot carry"},
        {"&#xFFFF;", "object entry 2 (\"\xEF\xBF\xBF\"): its name has U+FFFF at byte 0, which an XML file cannot carry"},
        {"caf\xE9", "object entry 2 (\"caf\\xE9\"): its name has the byte 0xE9 at byte 3, which is not UTF-8"},
        {"s\xED\xA0\x80", "object entry 2 (\"s\\xED\\xA0\\x80\"): its name has the byte 0xED at byte 1, which is not UTF-8"},
        {"over\xC0\xAF", "object entry 2 (\"over\\xC0\\xAF\"): its name has the byte 0xC0 at byte 4, which is not UTF-8"},
        {"cut\xE2\x82", "object entry 2 (\"cut\\xE2\\x82\"): its name has the byte 0xE2 at byte 3, which is not UTF-8"},
    };
    std::ostringstream out;
    host::Session session(out, nullptr);
    ASSERT_TRUE(session.Start({host::PluginFileBesideProgram(), "settings.xml", "workshop.scene"}));
    for (const BadName& name : bad) {
        {
            std::ofstream("bad.scene", std::ios::binary)
                << "<scene><objects><object name=\"Fine\"/><object name=\"" << name.in_file << "\"/></objects></scene>";
        }
        out.str("");
        EXPECT_FALSE(session.Execute("load bad.scene")) << name.in_file;
        EXPECT_EQ(out.str(), "cannot open the scene: bad.scene: " + std::string(name.refusal) + "\n");
    }
    EXPECT_EQ(session.document()->PlaceCount(), 12) << "a refused load replaced the scene";
    for (const char* typed : {"a\x01", "\x1b]0;title\x07", "x\xEF\xBF\xBE", "caf\xE9"}) {
        out.str("");
        EXPECT_FALSE(session.Execute("rename Floor \"" + std::string(typed) + "\""));
        EXPECT_EQ(out.str().rfind("cannot rename: the name \"", 0), 0u) << out.str();
        EXPECT_EQ(host::Utf8FromHostText(session.document()->ObjectAt(0)->name()), "Floor");
    }
    session.Finish();

    // Written by other means, the same names and plug-in texts do not reach a file.
    host::Document& document = host::OpenDocument();
    document.AddObject("Fine", true);
    host::XmlElement plugins("plugins");
    std::string error;
    ASSERT_TRUE(host::WriteScene("kept.scene", document, plugins, &error)) << error;
    std::string kept = ReadText("kept.scene");
    document.AddObject("bell\x07", true);
    EXPECT_FALSE(host::WriteScene("kept.scene", document, plugins, &error));
    EXPECT_EQ(error, "kept.scene: the object at #1 (\"bell\\x07\") has U+0007 at byte 4, which an XML file cannot carry");
    document.RemoveObject(1);
    host::PluginElement(plugins, 1, 2).AppendChild("note").SetText("\x1b[2J");
    EXPECT_FALSE(host::WriteScene("kept.scene", document, plugins, &error));
    EXPECT_EQ(error, "kept.scene: the plug-in data cannot be written (<plugins><plugin><note>: its text has U+001B at "
                     "byte 0, which an XML file cannot carry)");
    EXPECT_EQ(ReadText("kept.scene"), kept);
}

#if !defined(_WIN32)
// Every kind of name that a scene can hold, saved by the host and read back by another XML
// parser (Python's) and by the host itself: the same names, byte for byte.
TEST_F(PellucidHost, NamesOfEveryKindReadBackInAnotherXmlParser) {
    const std::vector<std::string> names = {
        "Floor",
        "",
        "   ",
        " padded ",
        "tab\tline\nreturn\r\nend",
        "<&>\"' ]]> &amp;",
        "DEL\x7F",
        "C1 \xC2\x85 \xC2\x9B" "31m",                             // U+0085, U+009B
        "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",              // é, €, an emoji
        "\xEF\xB7\x90 \xEF\xBF\xBD \xF0\x9F\xBF\xBE \xF4\x8F\xBF\xBF",  // U+FDD0, U+FFFD, U+1FFFE, U+10FFFF
        "\xED\x9F\xBF \xEE\x80\x80",                              // U+D7FF and U+E000, around the surrogates
        std::string(100000, 'x') + "\xC3\xA9",
    };
    host::Document& document = host::OpenDocument();
    for (const std::string& name : names) {
        EXPECT_EQ(host::WhyNotNameText(name), "") << name.substr(0, 40);
        document.AddObject(host::HostTextFromUtf8(name), true);
    }
    host::XmlElement plugins("plugins");
    std::string error;
    ASSERT_TRUE(host::WriteScene("every.scene", document, plugins, &error)) << error;

    {
        std::ofstream("read_names.py")
            << "import sys, xml.etree.ElementTree as tree\n"
               "for entry in tree.parse(sys.argv[1]).getroot().find('objects'):\n"
               "    print(entry.get('name').encode('utf-8').hex())\n";
    }
    ASSERT_EQ(std::system("python3 read_names.py every.scene > names.txt 2> errors.txt"), 0) << ReadText("errors.txt");
    std::istringstream read(ReadText("names.txt"));
    auto hex = [](const std::string& text) {
        static const char digits[] = "0123456789abcdef";
        std::string out;
        for (unsigned char c : text) out += std::string{digits[c >> 4], digits[c & 15]};
        return out;
    };
    for (const std::string& name : names) {
        std::string line;
        ASSERT_TRUE(std::getline(read, line)) << "Python read fewer names";
        EXPECT_EQ(line, hex(name)) << name.substr(0, 40);
    }

    host::SceneContent scene;
    ASSERT_TRUE(host::ReadScene("every.scene", &scene, &error)) << error;
    ASSERT_EQ(scene.places.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(host::Utf8FromHostText(scene.places[i].name), names[i]);
}
#endif

// Whatever a name holds, what the host prints never carries a control character that a
// terminal acts on: no C0 byte but the line break, no DEL, no C1 character.
void ExpectNothingDrivesTheTerminal(const std::string& printed) {
    for (size_t i = 0; i < printed.size(); ++i) {
        auto c = static_cast<unsigned char>(printed[i]);
        bool control = (c < 0x20 && c != '\n') || c == 0x7F ||
                       (c == 0xC2 && i + 1 < printed.size() && static_cast<unsigned char>(printed[i + 1]) <= 0x9F &&
                        static_cast<unsigned char>(printed[i + 1]) >= 0x80);
        EXPECT_FALSE(control) << "a control byte " << static_cast<int>(c) << " at " << i << " in:\n" << printed;
        if (control) return;
    }
}

TEST_F(PellucidHost, TextFromFilesIsPrintedWithItsControlCharactersVisible) {
    // The C1 controls as an 8-bit terminal's OSC and ST, where the host's code page holds
    // them (UTF-8 does; Windows' Western code page does not).
    std::string c1 = "title\xC2\x9D" "0;owned\xC2\x9C";
    bool holds_c1 = host::WhyNotNameText(c1).empty();
    {
        std::ofstream("names.scene", std::ios::binary)
            << "<scene><objects><object name=\"" << (holds_c1 ? c1 : "title") << "\"/>"
               "<object name=\"tab&#9;cr&#13;nl&#10;del\x7F\"/></objects></scene>";
        std::ofstream("escape.scene", std::ios::binary) << "<scene><objects><object name=\"\x1b[2J\"/></objects></scene>";
        std::ofstream("<\x1b[31m>.scene") << "";
    }
    int status = -1;
    host::RunOptions keep_going;
    keep_going.keep_going = keep_going.force = true;
    std::string printed = RunScript("names.scene",
                                    "list\nhide #0 #1\nshow #1\nrename #1 \"tab\tagain\"\nload escape.scene\n"
                                    "hide \"\x1b[2J\"\nload \"<\x1b[31m>.scene\"\n",
                                    &status, keep_going);
    ExpectNothingDrivesTheTerminal(printed);
    EXPECT_NE(printed.find(std::string("  #0  \"") + (holds_c1 ? "title\\u009D0;owned\\u009C" : "title") +
                           "\"  shown\n"
                           "  #1  \"tab\\x09cr\\x0Dnl\\x0Adel\\x7F\"  shown\n"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("renamed \"tab\\x09cr\\x0Dnl\\x0Adel\\x7F\" to \"tab\\x09again\""), std::string::npos)
        << printed;
    EXPECT_NE(printed.find("> hide \"\\x1B[2J\"\nno object named \"\\x1B[2J\""), std::string::npos) << printed;
    // Not well-formed here; a name that Windows does not allow for a file, there.
    EXPECT_NE(printed.find("cannot open the scene: <\\x1B[31m>.scene: "), std::string::npos) << printed;
}

// The prompt's small things: an answer that is neither ok nor cancel asks again; a quote
// left open is a mistake that says where; save "" says a name is needed; an empty name is
// a name at rename as it is in a scene file.
TEST_F(PellucidHost, ThePromptAsksAgainAndSaysWhatIsMissing) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    host::RunOptions interactive;
    interactive.interactive = true;
    std::string printed = RunScript("workshop.scene", "open\ns 1\ns 1\nmaybe\n\nok\nquit\nyes\n", nullptr, interactive);
    EXPECT_NE(printed.find("Lucid asks: Overwrite? [ok/cancel] answer ok or cancel: \"maybe\" is neither [ok/cancel] "
                           "answer ok or cancel: \"\" is neither [ok/cancel] Lucid asked \"Overwrite?\": OK\n"),
              std::string::npos)
        << printed;
    host::ResetHost();

    std::ostringstream out;
    host::Session session(out, nullptr);
    ASSERT_TRUE(session.Start({host::PluginFileBesideProgram(), "settings.xml", "workshop.scene"}));
    out.str("");
    EXPECT_FALSE(session.Execute("hide Lamp_Shade \"Floor"));
    EXPECT_FALSE(session.Execute("save \"\""));
    EXPECT_EQ(out.str(),
              "the quote at column 17 is not closed: a name in quotes ends with another \"\n"
              "not saved: \"\" names no file; save FILE needs a name, and save alone saves to the scene's own file\n");
    EXPECT_TRUE(session.document()->ObjectAt(0)->visible()) << "a line with an open quote was carried out";
    EXPECT_TRUE(session.Execute("rename Floor \"\""));
    EXPECT_TRUE(session.Execute("hide \"\""));
    EXPECT_TRUE(session.Execute("save empty.scene"));
    EXPECT_NE(ReadText("empty.scene").find("<object name=\"\" visible=\"false\""), std::string::npos);
    EXPECT_TRUE(session.Execute("load empty.scene"));
    EXPECT_EQ(session.document()->ObjectAt(0)->name(), "");
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

// Ctrl+C while a script waits on a pipe for its next line stops it there and then, with
// "interrupted" and status 130, rather than when the next line comes.
TEST_F(PellucidHost, CtrlCStopsAScriptThatWaitsOnAPipe) {
    fs::copy_file(DataFile("workshop.scene"), "workshop.scene");
    ASSERT_EQ(mkfifo("script.fifo", 0600), 0);
    host::WatchTheTerminal();
    std::atomic<bool> ended{false};
    pthread_t reader = pthread_self();
    std::thread writer([&] {
        int fifo = open("script.fifo", O_WRONLY);
        ssize_t written = write(fifo, "list\n", 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        pthread_kill(reader, SIGINT);
        // A reader that waits on after Ctrl+C gets this line, which it must never carry out.
        for (int i = 0; i < 500 && !ended; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        written += write(fifo, "hide Floor\n", 11);
        close(fifo);
        (void)written;
    });
    std::string error;
    std::unique_ptr<std::istream> script = host::OpenScript("script.fifo", &error);
    ASSERT_TRUE(script) << error;
    std::ostringstream out;
    int status = -1;
    {
        host::Session session(out, nullptr);
        if (session.Start({host::PluginFileBesideProgram(), "settings.xml", "workshop.scene"})) {
            status = host::RunCommands(session, *script, out, {});
        }
    }
    ended = true;
    writer.join();
    std::string printed = out.str();
    EXPECT_EQ(status, 130) << printed;
    EXPECT_NE(printed.find("> list\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("interrupted: the script stops here\nsettings written to settings.xml\n"), std::string::npos)
        << printed;
    EXPECT_EQ(printed.find("> hide Floor"), std::string::npos) << printed;
}
#endif

}  // namespace
