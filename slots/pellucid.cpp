#include "slots/pellucid.h"

#include <algorithm>

#include "abi/exports.h"
#include "platform/platform.h"
#include "slots/pellucid_window.h"
#include "slots/version.h"

namespace {
Pellucid g_plugin;
}

MQBasePlugin* GetPluginClass() { return &g_plugin; }

Pellucid::Pellucid() { platform::UseUserCharacterLocale(); }

// The window goes first (it deletes its widgets in the host), then the slot list.
Pellucid::~Pellucid() {
    window.reset();
    retiredWindows.clear();
}

void Pellucid::AddRow() {
    const Row added = rowCount += 1;
    WindowCall call(*this);
    if (window == nullptr) return;
    try {
        window->RebuildRows();
    } catch (...) {
        // The old rows are still shown, and the count goes back to theirs, also past an Add
        // raised meanwhile that left its row to this rebuild. Without the window (an exit
        // came meanwhile) only this Add's row is taken back.
        if (window != nullptr) {
            KeepRowsShown();
        } else if (rowCount == added) {
            rowCount -= 1;
        }
        throw;
    }
}

// Rows that Adds asked for were never built; room that a store made for them in the slot
// list holds nothing and goes, as a save drops it, while a slot that holds entries keeps
// its row. The old rows show what each slot holds, as new rows would have: a row left
// down over an empty slot (by a store that recorded nothing) would otherwise ask
// "Overwrite?" about what it does not hold.
void Pellucid::KeepRowsShown() {
    const Row shown = window->RowsShown();
    while (slots.size() > static_cast<size_t>(shown) && slots.back().empty()) slots.pop_back();
    rowCount = std::max(shown, static_cast<Row>(slots.size()));
    window->ShowSlotStates();
}

// Never fails: a window is made only with room kept for its retirement (see Initialize).
void Pellucid::DestroyWindow() {
    if (window == nullptr) return;
    if (windowCalls > 0) {
        retiredWindows.push_back(std::move(window));
    } else {
        window.reset();
    }
}

// A retired window's destruction calls the host, which may call back into the plug-in:
// each window is taken off the list before it is destroyed, so nothing reaches it there.
// The list keeps its room for the windows to come.
Pellucid::WindowCall::~WindowCall() {
    if (--plugin_.windowCalls > 0) return;
    auto& retired = plugin_.retiredWindows;
    while (!retired.empty()) {
        std::unique_ptr<PellucidWindow> last = std::move(retired.back());
        retired.pop_back();
    }
}

void Pellucid::GetPlugInID(uint32_t* product, uint32_t* id) {
    *product = kProductID;
    *id = kPluginID;
}

const char* Pellucid::GetPlugInName() {
    return "Pellucid v." PELLUCID_VERSION_TEXT "  Copyright(C) 2026 The Pellucid developers";
}

int32_t Pellucid::GetPlugInType() { return MQPLUGIN_TYPE_STATION; }

const char* Pellucid::EnumString() { return "Pellucid"; }
