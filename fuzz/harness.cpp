#include "fuzz/harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "host/binds/documents.h"
#include "host/binds/host.h"
#include "host/binds/widgets/widgets.h"
#include "host/drive/plugin_module.h"
#include "host/drive/widget_queries.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"
#include "plugin/host_api.h"
#include "slots/pellucid.h"
#include "slots/pellucid_window.h"
#include "widgets/widget_base.h"

extern "C" int32_t MQOnEvent(void* document, int32_t event, void* argument);

namespace fuzz {

namespace {
// Standard error as the program got it. libFuzzer's -close_fd_mask=2 silences the target's
// standard error (the plug-in's own diagnostics); a broken rule must still be heard.
const int g_report_fd = dup(2);
}  // namespace

void Fail(const std::string& rule, const std::string& detail) {
    std::string report = "\n==== broken: " + rule + "\n" + detail + "\n";
    ssize_t ignored = write(g_report_fd, report.data(), report.size());
    (void)ignored;
    std::abort();
}

Pellucid& ThePlugin() { return *static_cast<Pellucid*>(GetPluginClass()); }

int32_t SendEvent(MQDocument document, int32_t event, void* argument) { return MQOnEvent(document, event, argument); }

void ResetAll(bool reuse_ids) {
    static const bool bound = BindHostApi(host::HostModuleFile().c_str()) == 1;
    if (!bound) Fail("the plug-in binds the stand-in host's functions");
    Pellucid& plugin = ThePlugin();
    if (plugin.window != nullptr) SendEvent(nullptr, MQEVENT_EXIT, nullptr);
    host::ResetHost();
    host::TheJournal().SetRecording(false);
    host::TheWidgets().SetReuseIds(reuse_ids);
    // A load without an element drops every slot and brings the rows back to five.
    SendEvent(nullptr, MQEVENT_LOAD_DOCUMENT, nullptr);
    plugin.active = false;
}

std::vector<int32_t> RowButtons(const char* text) {
    int32_t window = host::FindWindowTitled("Lucid");
    return window != 0 ? host::FindButtons(window, text) : std::vector<int32_t>();
}

std::vector<Slot> Trimmed(std::vector<Slot> slots) {
    while (!slots.empty() && slots.back().empty()) slots.pop_back();
    return slots;
}

std::string SlotsText(const std::vector<Slot>& slots) {
    std::string text;
    for (size_t i = 0; i < slots.size(); ++i) {
        text += "slot " + std::to_string(i) + ":";
        std::vector<std::pair<std::string, bool>> entries(slots[i].begin(), slots[i].end());
        std::sort(entries.begin(), entries.end());
        for (const auto& [name, visible] : entries) text += " \"" + name + "\"=" + (visible ? "1" : "0");
        text += "\n";
    }
    return text;
}

void CheckInvariants(bool exact) {
    host::WidgetModel& widgets = host::TheWidgets();
    FUZZ_CHECK(host::TheBreaches().Empty(), host::TheBreaches().Text());
    Pellucid& plugin = ThePlugin();
    FUZZ_CHECK(plugin.rowCount >= 5, std::to_string(plugin.rowCount));
    FUZZ_CHECK(plugin.slots.size() <= static_cast<size_t>(plugin.rowCount), std::to_string(plugin.slots.size()));

    std::vector<int32_t> others;
    for (int32_t id : widgets.Ids()) {
        if (id != widgets.MainWindow()) others.push_back(id);
    }
    if (plugin.window == nullptr) {
        FUZZ_CHECK(others.empty(), std::to_string(others.size()) + " widgets outlived the plug-in's window");
        FUZZ_CHECK(MQWidgetBase::RegisteredWidgetCount() == 0, "a wrapper outlived the plug-in's window");
        return;
    }

    FUZZ_CHECK(host::FindWindowTitled("Lucid") == plugin.window->GetID(), "the Lucid window is the plug-in's");
    for (int32_t id : others) {
        FUZZ_CHECK(MQWidgetBase::FindWidget(id) != nullptr, "host widget " + std::to_string(id) + " has no wrapper");
    }
    std::vector<int32_t> stores = RowButtons("S");
    std::vector<int32_t> recalls = RowButtons("R");
    FUZZ_CHECK(stores.size() == static_cast<size_t>(plugin.rowCount) && recalls.size() == static_cast<size_t>(plugin.rowCount),
               std::to_string(stores.size()) + " S and " + std::to_string(recalls.size()) + " R buttons for " +
                   std::to_string(plugin.rowCount) + " rows");
    FUZZ_CHECK(RowButtons("Add").size() == 1, "one Add button");
    for (size_t row = 0; row < stores.size(); ++row) {
        bool holds = row < plugin.slots.size() && !plugin.slots[row].empty();
        bool down = widgets.Find(stores[row])->down;
        std::string where = "row " + std::to_string(row) + (down ? " shows S down" : " shows S up") + "\n" +
                            SlotsText(plugin.slots);
        FUZZ_CHECK(down || !holds, where);
        if (exact) FUZZ_CHECK(down == holds, where);
    }
}

}  // namespace fuzz
