// The "Lucid" window: one row per slot with an "S" (store) and an "R" (recall) button,
// and an "Add" button below the rows.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "widgets/widget_classes.h"
#include "widgets/widget_events.h"

class Pellucid;

// The window keeps no slot data: it reads the plug-in's `rowCount` and `slots` and calls
// its slot operations. It owns every frame and button it creates (through the window's
// created widgets); the plug-in owns the window.
class PellucidWindow : public MQWindow {
public:
    // Builds the window as a child window of `parent` (the host's main window), neither
    // shown nor fitted: activation does both.
    PellucidWindow(Pellucid* plugin, MQWindowBase& parent);
    ~PellucidWindow() override;

    // Creates the two-column frame in `container` and the button pair of every row; an
    // "S" button is shown down exactly when its slot holds entries.
    void BuildRows(MQWidgetBase* container);
    // Detaches and deletes the row frame and forgets the row buttons.
    void ClearRows();
    // Shows every row button released.
    void ReleaseAllButtons();
    // Resizes the window to the size the host reports for its content.
    void FitToContent();
    // Rebuilds all rows from the plug-in's row count and slots, under the window's lock.
    void RebuildRows();

    // Widget event handlers; each result goes back to the host unchanged.
    int32_t OnStoreClick(MQWidgetBase* sender, MQDocument document, WidgetMouseRecord* mouse);
    int32_t OnRecallClick(MQWidgetBase* sender, MQDocument document, WidgetMouseRecord* mouse);
    int32_t OnAddClick(MQWidgetBase* sender, MQDocument document);
    int32_t OnHide(MQWidgetBase* sender, MQDocument document);

private:
    // The position of `sender` among the row buttons, or -1.
    int64_t FindButton(const MQWidgetBase* sender) const;
    // Asks an OK/Cancel question titled "Lucid"; true only on OK.
    bool Confirm(const platform::WideString& question);

    Pellucid* plugin;
    // The "S" button of row i at 2i, its "R" button at 2i+1.
    std::vector<MQButton*> buttons;
    MQFrame* container = nullptr;
    MQFrame* rowMatrix = nullptr;
    // Serialises rebuilding the rows. Declared last, so it goes first at destruction.
    platform::Lock lock;
};
