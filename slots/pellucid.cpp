#include "slots/pellucid.h"

#include "platform/platform.h"
#include "slots/version.h"

namespace {
Pellucid g_plugin;
}

MQBasePlugin* GetPluginClass() { return &g_plugin; }

Pellucid::Pellucid() { platform::UseUserCharacterLocale(); }

Pellucid::~Pellucid() = default;

void Pellucid::GetPlugInID(uint32_t* product, uint32_t* id) {
    *product = kProductID;
    *id = kPluginID;
}

const char* Pellucid::GetPlugInName() {
    return "Pellucid v." PELLUCID_VERSION_TEXT "  Copyright(C) 2026 The Pellucid developers";
}

int32_t Pellucid::GetPlugInType() { return 6; }

const char* Pellucid::EnumString() { return "Pellucid"; }

// Until the slot window exists the plug-in starts with nothing to show: it can never be
// active, and shutting down has nothing to save.
BOOL32 Pellucid::Initialize() { return 1; }

void Pellucid::Exit() {}

BOOL32 Pellucid::Activate(MQDocument, BOOL32) { return 0; }

BOOL32 Pellucid::IsActivated(MQDocument) { return 0; }
