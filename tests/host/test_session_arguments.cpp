// The words that pellucid-host and serve share: what each names, the defaults for what
// none names, and the scenes that name none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/drive/plugin_module.h"
#include "host/session/session_arguments.h"
#include "platform/platform.h"

namespace {

// Parses `words` into a fresh app that keeps unknown words, as the program's does.
struct Parsed {
    explicit Parsed(std::vector<std::string> words) : arguments(app) {
        app.allow_extras();
        std::vector<char*> pointers;
        for (std::string& word : words) pointers.push_back(word.data());
        host::ParseWords(app, static_cast<int>(pointers.size()), pointers.data());
    }
    CLI::App app;
    host::SessionArguments arguments;
};

TEST(SessionArguments, WhatIsNotNamedIsTheProgramsOwnAndTheSampleIsMarkedSo) {
    Parsed parsed({"--settings", "s.xml"});
    host::SessionOptions options = parsed.arguments.Options();
    EXPECT_EQ(options.plugin_file, host::PluginFileBesideProgram());
    EXPECT_EQ(options.settings_file, "s.xml");
    EXPECT_EQ(options.scene_file, platform::ProgramFolder() + "workshop.scene");
    EXPECT_TRUE(options.scene_is_sample) << "the bundled sample would be written over";
    EXPECT_EQ(options.sample_file, options.scene_file);
}

TEST(SessionArguments, NamedFilesCountTheLastTimeAndAScene) {
    Parsed parsed({"--plugin", "a.so", "--settings", "s.xml", "mine.scene", "--plugin", "b.so", "other.scene"});
    host::SessionOptions options = parsed.arguments.Options();
    EXPECT_EQ(options.plugin_file, "b.so");
    EXPECT_EQ(options.scene_file, "mine.scene");
    EXPECT_FALSE(options.scene_is_sample);
    EXPECT_EQ(options.sample_file, platform::ProgramFolder() + "workshop.scene") << "the sample is kept under any name";
    EXPECT_EQ(parsed.app.remaining(), std::vector<std::string>{"other.scene"}) << "a second scene is the caller's to refuse";
    EXPECT_EQ(parsed.arguments.SceneMistake(), "");
}

TEST(SessionArguments, AnEmptySceneOrOneLikeAnOptionNamesNone) {
    EXPECT_EQ(Parsed({""}).arguments.SceneMistake(), "an empty argument names no scene");
    EXPECT_EQ(Parsed({"-"}).arguments.SceneMistake(), "unknown option \"-\"");
    EXPECT_EQ(Parsed({"-5"}).arguments.SceneMistake(), "unknown option \"-5\"");
    EXPECT_EQ(Parsed({"--", "-odd.scene"}).arguments.SceneMistake(), "unknown option \"-odd.scene\"");
}

}  // namespace
