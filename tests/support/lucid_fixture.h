// The whole plug-in running in the stand-in host, as a user meets it: the plug-in file is
// loaded fresh for every test and reached through its exports alone; the test plays the
// host (events, documents, settings) and the user (clicks on the "Lucid" window, answers
// to its questions), and asserts on the host's state and its journal of calls.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/binds/documents.h"
#include "host/binds/host.h"
#include "host/binds/settings.h"
#include "host/binds/widgets/widgets.h"
#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/drive/plugin_module.h"
#include "host/drive/widget_queries.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"
#include "abi/abi.h"

class LucidTest : public ::testing::Test {
protected:
    // The plug-in's section of the host's plug-in settings, written out here rather than
    // taken from the plug-in's code.
    static constexpr const char* kSection = "Plugin-7C4B21D9-3E8A6F12";

    void SetUp() override {
        host::ResetHost();
        document = &host::OpenDocument();
        widgets().SetEventDocument(document->handle());
        LoadPlugin();
    }

    // Whatever the test did, the host saw no breach of its rules, and nothing of it
    // outlives the test: the plug-in goes (deleting what it still shows) and the host is
    // reset.
    void TearDown() override {
        plugin.reset();
        EXPECT_EQ(host::TheBreaches().Text(), "");
        host::ResetHost();
    }

    // Loads a fresh copy of the plug-in file and runs the handshake. Settings, documents
    // and widgets of the host stay as they are, as across two runs of the host.
    void LoadPlugin() {
        std::string error;
        plugin = host::PluginModule::Load(host::PluginFileBesideProgram(), &error);
        ASSERT_TRUE(plugin) << error;
        ASSERT_TRUE(plugin->Handshake());
    }

    static host::WidgetModel& widgets() { return host::TheWidgets(); }
    static host::Journal& journal() { return host::TheJournal(); }
    MQDocument doc() const { return document->handle(); }

    // ---- Host events --------------------------------------------------------------------

    int32_t Initialize() { return plugin->Initialize(doc()); }
    int32_t Exit() { return plugin->Exit(doc()); }
    int32_t Activate(int32_t flag) { return plugin->Activate(doc(), flag); }
    int32_t IsActivated() { return plugin->SendEvent(doc(), MQEVENT_IS_ACTIVATED, nullptr); }

    // Starts the plug-in with its window shown, as after a run that left it shown.
    void StartShown() {
        PresetSetting("Pellucid_activate", "1");
        ASSERT_EQ(Initialize(), 1);
        ASSERT_NE(Window(), 0);
        ASSERT_TRUE(widgets().Find(Window())->visible);
    }

    // The document-save event with `element` as the plug-in's element (none for null).
    int32_t Save(host::XmlElement* element) { return plugin->SaveDocument(doc(), element, "scene.mqo"); }
    int32_t Load(host::XmlElement* element) { return plugin->LoadDocument(doc(), element, "scene.mqo"); }

    // ---- The window and the user's gestures ---------------------------------------------

    // Shows the object at place i when picture[i] is '1', hides it otherwise.
    void SetPicture(const std::string& picture) {
        for (int32_t place = 0; place < document->PlaceCount(); ++place) {
            host::Object* object = document->ObjectAt(place);
            if (object != nullptr) object->SetVisible(picture.at(static_cast<size_t>(place)) == '1');
        }
    }

    static int32_t Window() { return host::FindWindowTitled("Lucid"); }
    static std::vector<int32_t> StoreButtons() { return host::FindButtons(Window(), "S"); }
    static std::vector<int32_t> RecallButtons() { return host::FindButtons(Window(), "R"); }
    // The button of `row`, 0 when the window has no such row (a gesture on 0 is refused).
    static int32_t StoreButton(size_t row) { return At(StoreButtons(), row); }
    static int32_t RecallButton(size_t row) { return At(RecallButtons(), row); }

    host::EventOutcome ClickStore(size_t row, host::Modifiers modifiers = {},
                                  host::MouseButton button = host::MouseButton::Left) {
        return widgets().MouseDown(StoreButton(row), button, modifiers, doc());
    }
    host::EventOutcome ClickRecall(size_t row, host::MouseButton button = host::MouseButton::Left) {
        return widgets().MouseDown(RecallButton(row), button, {}, doc());
    }
    host::EventOutcome PressAdd() {
        std::vector<int32_t> adds = host::FindButtons(Window(), "Add");
        return widgets().Press(adds.empty() ? 0 : adds.front(), doc());
    }

    // One character per row: '*' for an "S" button shown pressed, '.' for a released one.
    static std::string StoreStates() {
        std::string states;
        for (int32_t id : StoreButtons()) states += widgets().Find(id)->down ? '*' : '.';
        return states;
    }
    static std::string Picture() { return widgets().Picture(Window()); }

    // ---- Settings -----------------------------------------------------------------------

    static host::XmlElement* Section() { return host::PluginSettings().FindChild(kSection); }
    static void PresetSetting(const char* key, const std::string& text) {
        host::XmlElement* section = Section();
        if (section == nullptr) section = &host::PluginSettings().AppendChild(kSection);
        section->AppendChild(key).SetText(text);
    }
    // The text of `key` in the plug-in's section; "(absent)" when there is no such key.
    static std::string Setting(const char* key) {
        const host::XmlElement* section = Section();
        const host::XmlElement* entry = section != nullptr ? section->FindChild(key) : nullptr;
        return entry != nullptr ? entry->Text() : "(absent)";
    }

    std::unique_ptr<host::PluginModule> plugin;
    host::Document* document = nullptr;

private:
    static int32_t At(const std::vector<int32_t>& ids, size_t row) { return row < ids.size() ? ids[row] : 0; }
};
