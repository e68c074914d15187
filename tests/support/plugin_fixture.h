// A test that runs against a fresh plug-in: the plug-in file is loaded into the stand-in
// host for each test and unloaded after it, so that no state leaks between tests, and the
// host saw no breach of its rules.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/binds/host.h"
#include "host/drive/plugin_module.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"

class PluginTest : public ::testing::Test {
protected:
    // Loads the plug-in and runs the handshake; a test that wants to see the handshake
    // itself calls LoadPlugin(false).
    void SetUp() override { LoadPlugin(true); }
    void TearDown() override {
        plugin.reset();
        EXPECT_EQ(host::TheBreaches().Text(), "");
    }

    void LoadPlugin(bool handshake) {
        host::ResetHost();
        std::string error;
        plugin = host::PluginModule::Load(host::PluginFileBesideProgram(), &error);
        ASSERT_TRUE(plugin) << error;
        if (handshake) {
            ASSERT_TRUE(plugin->Handshake());
        }
    }

    host::Journal& journal() { return host::TheJournal(); }

    std::unique_ptr<host::PluginModule> plugin;
};
