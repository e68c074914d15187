// The widget toolkit against the real stand-in host: the plug-in's objects are linked into
// the test, and its host API table is bound to the linked host module. Every test runs
// twice, with the host handing out fresh ids and with the host reusing freed ids, and
// must leave no wrapper registered and no breach of the host's rules that it did not take
// out (TakeBreaches).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/binds/host.h"
#include "host/drive/plugin_module.h"
#include "host/records/journal.h"
#include "support/bound_host.h"
#include "host/binds/widgets/widgets.h"
#include "plugin/host_api.h"
#include "widgets/widget_classes.h"
#include "widgets/widget_events.h"

class WidgetHostTest : public BoundHost<::testing::TestWithParam<bool>> {
protected:
    void SetUp() override {
        BoundHost::SetUp();
        widgets().SetReuseIds(GetParam());
    }

    void TearDown() override {
        EXPECT_EQ(MQWidgetBase::RegisteredWidgetCount(), 0u) << "a wrapper outlived its test";
        BoundHost::TearDown();
    }

    bool ReusesIds() const { return GetParam(); }
    static host::WidgetModel& widgets() { return host::TheWidgets(); }
    static host::Journal& journal() { return host::TheJournal(); }

    // The MQWidget_Value calls of one operation ("Delete", "SetValue", ...), in order.
    static std::vector<host::HostCall> Requests(const std::string& op) {
        std::vector<host::HostCall> found;
        for (const host::HostCall& call : journal().Of("MQWidget_Value")) {
            if (call.args.size() == 3 && call.args[1].rfind(op + " ", 0) == 0) found.push_back(call);
        }
        return found;
    }
    // The ids that Delete was sent for, in order.
    static std::vector<int32_t> DeletedIds() {
        std::vector<int32_t> ids;
        for (const host::HostCall& call : Requests("Delete")) ids.push_back(std::stoi(call.args[0]));
        return ids;
    }
};

inline std::string ReuseName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "FreedIdsReused" : "IdsNeverReused";
}

// A window that the tests own, with handlers that log each call to a list that outlives
// the window, so that a call after its death would show (and trip the sanitizers).
class LoggingWindow : public MQWindow {
public:
    struct Call {
        std::string handler;
        MQWidgetBase* sender;
        MQDocument document;
        WidgetMouseRecord mouse;
    };

    LoggingWindow(MQWindowBase& parent, std::vector<Call>* log) : MQWindow(parent), log_(log) {}

    int32_t OnEvent(MQWidgetBase* sender, MQDocument document) {
        log_->push_back(Call{"event", sender, document, {}});
        return answer;
    }
    int32_t OnMouse(MQWidgetBase* sender, MQDocument document, WidgetMouseRecord* mouse) {
        log_->push_back(Call{"mouse", sender, document, mouse != nullptr ? *mouse : WidgetMouseRecord{}});
        return answer;
    }

    std::shared_ptr<MQWidgetEventClosureBase> EventClosure() {
        return std::make_shared<MQWidgetEventClosure<LoggingWindow>>(this, &LoggingWindow::OnEvent);
    }
    std::shared_ptr<MQWidgetEventClosureBase> MouseClosure() {
        return std::make_shared<MQWidgetMouseEventClosure<LoggingWindow>>(this, &LoggingWindow::OnMouse);
    }

    size_t CreatedCount() const { return createdWidgets.size(); }

    int32_t answer = 0;

private:
    std::vector<Call>* log_;
};
