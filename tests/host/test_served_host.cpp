// The served host's changes, as the page hears them: numbered without a gap, naming only
// what changed, and adding up to the whole state. The page builds its copy of the state
// from one whole state and the changes after it, so a change that leaves something out,
// or a whole state that is not the one at its version, shows a person a scene that is not
// the host's.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/binds/host.h"
#include "host/drive/plugin_module.h"
#include "host/serve/host_thread.h"
#include "host/serve/served_host.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The page's way to apply a change to its copy (web/app.js, applyChange).
void Apply(json& state, const json& change) {
    if (change.contains("count")) state["objects"].get_ref<json::array_t&>().resize(change["count"].get<size_t>());
    for (const json& object : change.value("objects", json::array())) state["objects"][object["place"].get<size_t>()] = object;
    for (const char* key : {"scene", "windows", "lucid", "questions", "breaches", "output_lines", "journal_calls"}) {
        if (change.contains(key)) state[key] = change[key];
    }
    for (auto [key, kept] : {std::pair{"output", "output_kept"}, std::pair{"journal", "journal_kept"}}) {
        if (!change.contains(key)) continue;
        json::array_t& lines = state[key].get_ref<json::array_t&>();
        for (const json& line : change[key]) lines.push_back(line);
        size_t limit = state[kept].get<size_t>();
        if (lines.size() > limit) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(limit));
    }
    state["version"] = change["version"];
}

// The buttons of the Lucid window with the text `text`, row 1 first.
void ButtonsOf(const json& widget, const std::string& text, std::vector<int32_t>* found) {
    if (widget["type"] == "button" && widget["text"] == text) found->push_back(widget["id"].get<int32_t>());
    for (const json& child : widget.value("children", json::array())) ButtonsOf(child, text, found);
}

class ServedHostChanges : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetHost();
        home_ = fs::current_path();
        folder_ = fs::temp_directory_path() /
                  ("lucid-served-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(folder_);
        fs::copy_file(platform::ProgramFolder() + "lucid_data/workshop.scene", folder_ / "workshop.scene");
        fs::current_path(folder_);
        served_ = std::make_unique<host::serve::ServedHost>(thread_, [this](uint64_t version, std::string change) {
            changes_.emplace_back(version, json::parse(change));
        });
        ASSERT_TRUE(served_->Start(host::SessionOptions(host::PluginFileBesideProgram(), "settings.xml", "workshop.scene")));
    }
    void TearDown() override {
        served_->Finish();
        served_.reset();
        fs::current_path(home_);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        host::ResetHost();
    }
    json Whole() const { return json::parse(served_->State()); }
    int32_t Button(const std::string& text, size_t row) {
        json state = Whole();
        std::vector<int32_t> buttons;
        for (const json& window : state["windows"]) {
            if (window["id"] == state["lucid"]) ButtonsOf(window, text, &buttons);
        }
        return row <= buttons.size() ? buttons[row - 1] : 0;
    }

    host::serve::HostThread thread_;
    std::unique_ptr<host::serve::ServedHost> served_;
    std::vector<std::pair<uint64_t, json>> changes_;
    fs::path home_, folder_;
};

TEST_F(ServedHostChanges, AWholeStateAndTheChangesAfterItAddUpToTheWholeStateAtTheEnd) {
    json copy = Whole();
    ASSERT_EQ(copy["objects"].size(), 12u);
    const uint64_t start = copy["version"].get<uint64_t>();
    ASSERT_EQ(start, served_->version());
    const size_t first = changes_.size();

    ASSERT_EQ(served_->SetVisible({{"place", 5}, {"visible", false}}).status, 200);
    ASSERT_EQ(served_->Window({{"action", "open"}}).status, 200);
    ASSERT_EQ(served_->Click({{"widget", Button("S", 1)}}).status, 200);
    ASSERT_EQ(served_->SetVisible({{"place", 6}, {"visible", false}}).status, 200);
    ASSERT_EQ(served_->SetVisible({{"place", 7}, {"visible", false}}).status, 200);
    ASSERT_EQ(served_->Click({{"widget", Button("R", 1)}}).status, 200);
    ASSERT_EQ(served_->Window({{"action", "move"}, {"x", 300}, {"y", 120}}).status, 200);

    ASSERT_EQ(changes_.size() - first, 7u);
    for (size_t i = first; i < changes_.size(); ++i) {
        const auto& [version, change] = changes_[i];
        EXPECT_EQ(version, start + 1 + (i - first)) << "the versions have a gap or repeat";
        EXPECT_EQ(change["version"], version);
        EXPECT_EQ(change["session"], copy["session"]);
        Apply(copy, change);
    }
    // A change names only what changed: one object hidden is one object sent.
    const json& hidden = changes_[first].second;
    ASSERT_EQ(hidden["objects"].size(), 1u);
    EXPECT_EQ(hidden["objects"][0], json({{"place", 5}, {"name", "Lamp_Shade"}, {"visible", false}, {"counted", true}}));
    EXPECT_FALSE(hidden.contains("windows")) << "the window did not change";
    EXPECT_EQ(hidden["output"], json::array({"scene: \"Lamp_Shade\" hidden"}));
    // The recall shows the two hidden after the store again; the page's copy agrees.
    const json& recall = changes_[first + 5].second;
    ASSERT_EQ(recall["objects"].size(), 2u);
    EXPECT_EQ(recall["objects"][0]["place"], 6);
    EXPECT_EQ(recall["objects"][1]["place"], 7);
    EXPECT_FALSE(changes_.back().second.contains("objects")) << "a move changes no object";

    json whole = Whole();
    EXPECT_EQ(whole["version"], changes_.back().first);
    for (const char* key : {"objects", "scene", "windows", "lucid", "questions", "breaches", "output", "output_lines",
                            "journal", "journal_calls"}) {
        EXPECT_EQ(copy[key], whole[key]) << key;
    }
}

TEST_F(ServedHostChanges, ARefusedRequestSendsNoChange) {
    const size_t before = changes_.size();
    EXPECT_EQ(served_->SetVisible({{"place", 99}, {"visible", false}}).status, 404);
    EXPECT_EQ(served_->Click({{"widget", "1"}}).status, 400);
    EXPECT_EQ(changes_.size(), before);
    EXPECT_EQ(Whole()["version"], served_->version());
}

}  // namespace
