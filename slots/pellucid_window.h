// The "Lucid" window: one row per slot with an "S" (store) and an "R" (recall) button,
// and an "Add" button below the rows.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "slots/pellucid.h"
#include "widgets/widget_classes.h"
#include "widgets/widget_events.h"


// The window keeps no slot data: it reads the plug-in's `rowCount` and slots and asks the
// plug-in's operations for every change. It owns every frame and button it creates
// (through the window's created widgets); the plug-in owns the window.
//
// The host may call back into the plug-in while the window waits on it: a nested message
// loop while a question is open, or an event raised from inside a widget call. A question
// goes on only while the window, the rows and the event's document are the ones it was
// asked for (see Confirm), and a rebuild asked for during a rebuild runs after it: the
// guards that the head of slots/pellucid.h introduces.
class PellucidWindow : public MQWindow {
public:
    // Builds the window as a child window of `parent` (the host's main window), neither
    // shown nor fitted: activation does both.
    PellucidWindow(Pellucid* plugin, MQWindowBase& parent);
    ~PellucidWindow() override;

    // Creates the two-column frame in `container` and the button pair of every row; an
    // "S" button is shown down exactly when its slot holds entries. Replaces the rows
    // there were once the new ones are whole; until then they stay, and a build that
    // fails leaves them as they were, with nothing of the new rows left behind.
    void BuildRows(MQWidgetBase* container);
    // Detaches and deletes the row frame and forgets the row buttons.
    void ClearRows();
    // Shows every row button released.
    void ReleaseAllButtons();
    // Shows each row's "S" button down exactly when its slot holds entries.
    void ShowSlotStates();
    // Resizes the window to the size the host reports for its content.
    void FitToContent();
    // Rebuilds all rows from the plug-in's row count and slots, under the window's lock;
    // when that fails, the old rows stay and the failure propagates.
    // Asked for again while it runs (by an event the host raises from inside one of its
    // widget calls), it runs once more after it, so that the rows end as the plug-in's
    // state says. When only such a later round fails, the rows built before stay, the
    // plug-in's row count goes back to theirs (Pellucid::KeepRowsShown), and the rebuild
    // returns as done.
    void RebuildRows();
    // The rows the window shows now.
    Row RowsShown() const;

    // Widget event handlers; each result goes back to the host unchanged.
    int32_t OnStoreClick(MQWidgetBase* sender, MQDocument document, WidgetMouseRecord* mouse);
    int32_t OnRecallClick(MQWidgetBase* sender, MQDocument document, WidgetMouseRecord* mouse);
    int32_t OnAddClick(MQWidgetBase* sender, MQDocument document);
    int32_t OnHide(MQWidgetBase* sender, MQDocument document);

private:
    // The position of `sender` among the row buttons, or -1.
    int64_t FindButton(const MQWidgetBase* sender) const;
    // What a click handler saw when it began: the plug-in's document era and the rows' era.
    struct Click {
        uint64_t documentEra;
        uint64_t rowsEra;
    };
    Click BeginClick() const;
    // Whether the click still stands after a call to the host: no document load, exit or
    // start since (an exit or a start retires the window), and with `rows` the same rows
    // too (so its button is still one of the window's). When it does not, the caller
    // returns at once.
    bool Stands(const Click& click, bool rows) const;
    // Asks an OK/Cancel question titled "Lucid"; true only on OK, and only when the click
    // still stands, rows included, once the host answers.
    bool Confirm(const Click& click, const platform::WideString& question);
    // Shows row `row`'s "S" button down exactly when its slot holds entries.
    void ShowSlotOf(Row row);

    Pellucid* plugin;
    // The "S" button of row i at 2i, its "R" button at 2i+1.
    std::vector<MQButton*> buttons;
    MQFrame* container = nullptr;
    MQFrame* rowMatrix = nullptr;
    // Counts the rebuilds: buttons of an older era are no longer in the host.
    uint64_t rowsEra = 0;
    bool rebuilding = false;
    bool rebuildAgain = false;
    // Serialises rebuilding the rows. Declared last, so it goes first at destruction.
    platform::Lock lock;
};
