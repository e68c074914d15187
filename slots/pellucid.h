// The plug-in: a station plug-in that keeps numbered visibility slots of the document's
// objects and shows them in the "Lucid" window.
#pragma once

#include <cstdint>

#include "plugin/plugin_base.h"

class Pellucid : public MQStationPlugin {
public:
    static constexpr uint32_t kProductID = 0x7C4B21D9;
    static constexpr uint32_t kPluginID = 0x3E8A6F12;

    Pellucid();
    ~Pellucid() override;

    void GetPlugInID(uint32_t* product, uint32_t* id) override;
    const char* GetPlugInName() override;
    int32_t GetPlugInType() override;
    const char* EnumString() override;

    BOOL32 Initialize() override;
    void Exit() override;
    BOOL32 Activate(MQDocument document, BOOL32 flag) override;
    BOOL32 IsActivated(MQDocument document) override;
};
