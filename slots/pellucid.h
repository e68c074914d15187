// The plug-in: a station plug-in that keeps numbered visibility slots of the document's
// objects and shows them in the "Lucid" window.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "plugin/plugin_base.h"
#include "plugin/settings.h"
#include "slots/slot.h"

class PellucidWindow;

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

    // Reads the settings and builds the slot window at the saved place, shown when it was
    // shown at the last exit. Always true.
    BOOL32 Initialize() override;
    // Saves the shown state and the window's place, then destroys the window.
    void Exit() override;
    // Shows (non-zero flag) or hides the window and refits it; the resulting state, and
    // false without a window. The document is not used.
    BOOL32 Activate(MQDocument document, BOOL32 flag) override;
    // True only while the window exists and the plug-in counts itself active.
    BOOL32 IsActivated(MQDocument document) override;
    // Replaces the slot list with the one kept in the document's plug-in element, and
    // rebuilds the window's rows.
    void OnLoadDocument(MQDocument document, const char* filename, DocumentXmlArgs* args) override;
    // Writes the slot list into the document's plug-in element.
    void OnSaveDocument(MQDocument document, const char* filename, DocumentXmlArgs* args) override;

    // The plug-in's section of the host's plug-in settings; null when the host offers none.
    std::unique_ptr<MQSetting> OpenSettingsSection();

    // The slot window, owned: made by Initialize, destroyed by Exit or at unload.
    PellucidWindow* window = nullptr;
    // Whether the plug-in counts itself activated, that is, its window is meant to be
    // shown. The window clears it when the user closes it.
    bool active = false;

    // ---- The slot list ------------------------------------------------------------------
    // Slot i belongs to row i of the slot window. Neither is tied to a document: a document
    // load replaces them, a save writes them, and nothing else resets them.

    // Rows the slot window shows, the slots a user can address. Never below 5; only "Add"
    // and a document load raise it, and only a load lowers it (to 5 or the slots read).
    uint64_t rowCount = 5;
    // Never longer than rowCount; a row at or beyond its end is an empty slot. Slots
    // inside it may be empty.
    std::vector<Slot> slots;

    // The slot operations of the window's buttons. Each walks the document's object places
    // in order through the host, skipping empty places and objects whose index the host
    // answers negative, and never asks the host to redraw. They report no failure; an
    // allocation failure propagates as std::bad_alloc, for the caller's guard.

    // Records the visibility of the document's objects in slot `index`, lengthening the
    // list to rowCount first when it is too short. Overwrite mode (`append` false) empties
    // the slot and records every object. Append mode records only the objects for which
    // the host answers object value 262 with non-zero, and keeps the slot's other entries.
    // An index outside 0 .. rowCount-1 changes nothing. Returns 0.
    int32_t StoreSlot(MQDocument document, int32_t index, bool append);
    // Shows or hides every object whose name slot `index` holds, as recorded; leaves the
    // others alone. Returns 1 when the slot exists and holds entries, else 0 (and the
    // document is not visited).
    int32_t RecallSlot(MQDocument document, int32_t index);
    // Empties slot `index` when it exists; the list keeps its length. Returns 0.
    int32_t ClearSlot(int32_t index);
};
