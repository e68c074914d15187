#include "slots/pellucid.h"

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
    rowCount += 1;
    WindowCall call(*this);
    if (window != nullptr) window->RebuildRows();
}

void Pellucid::DestroyWindow() {
    if (windowCalls > 0) {
        retiredWindows.push_back(std::move(window));
    } else {
        window.reset();
    }
}

// A retired window's destruction calls the host, which may call back into the plug-in:
// the list is taken out first, so that nothing reaches it while it empties.
Pellucid::WindowCall::~WindowCall() {
    if (--plugin_.windowCalls > 0) return;
    std::vector<std::unique_ptr<PellucidWindow>> retired;
    retired.swap(plugin_.retiredWindows);
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
