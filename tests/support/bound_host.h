// A test of the plug-in's internals against the stand-in host linked into the same
// program: the plug-in's host API is bound to it for each test, on a fresh host, and the
// test must leave no breach of the host's rules that it did not take out.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/binds/host.h"
#include "host/drive/plugin_module.h"
#include "host/records/breaches.h"
#include "plugin/host_api.h"

template <typename Base = ::testing::Test>
class BoundHost : public Base {
protected:
    void SetUp() override {
        host::ResetHost();
        ASSERT_EQ(BindHostApi(host::HostModuleFile().c_str()), 1);
    }
    void TearDown() override {
        EXPECT_EQ(host::TheBreaches().Text(), "");
        host::ResetHost();
        g_host = MQHostApi{};
    }
};

using BoundHostTest = BoundHost<>;

// Takes the breaches a test provoked on purpose, as "rule-id call", one a line.
inline std::string TakeBreaches() { return host::TheBreaches().TakeIdsAndCalls(); }
// Takes them as their rule ids alone, for calls whose handles differ from run to run.
inline std::vector<std::string> TakeBreachIds() {
    std::vector<std::string> ids;
    for (const host::Breach& breach : host::TheBreaches().Take()) ids.push_back(breach.rule_id);
    return ids;
}
