// A test of the plug-in's internals against the stand-in host linked into the same
// program: the plug-in's host API is bound to it for each test, on a fresh host.
#pragma once

#include <gtest/gtest.h>

#include "host/host.h"
#include "host/plugin_module.h"
#include "plugin/host_api.h"

template <typename Base = ::testing::Test>
class BoundHost : public Base {
protected:
    void SetUp() override {
        host::ResetHost();
        ASSERT_EQ(BindHostApi(host::HostModuleFile().c_str()), 1);
    }
    void TearDown() override {
        host::ResetHost();
        g_host = MQHostApi{};
    }
};

using BoundHostTest = BoundHost<>;
