// The plug-in: a station plug-in that keeps numbered visibility slots of the document's
// objects and shows them in the "Lucid" window.
//
// Re-entry. Every widget call may come back having delivered other events first (the
// host's loop while a question is open, events raised inside a widget operation; see
// abi/abi.h), and any of them may load a document, stop or start the plug-in, add a row
// or close the window. Five guards keep the plug-in sound under that, each in one place:
//
// - The document era (Pellucid::DocumentEra, below): counts document loads, exits and
//   starts (NewDocumentEra in activation.cpp and document_storage.cpp). A click reads it
//   before it waits on the host and goes on only while it is the same, since the host
//   cannot be asked whether the event's document handle still lives.
// - The row era (PellucidWindow::rowsEra, pellucid_window.h): counts rebuilds of the rows.
//   A click whose rows were rebuilt meanwhile holds a button the host no longer has; it
//   drops the click before the answer is in, and after it shows the slot as it then is
//   (PellucidWindow::Click, Stands and Confirm in pellucid_window.cpp).
// - Window calls and retired windows (Pellucid::WindowCall, below; pellucid.cpp): every
//   call that works on the window and calls the host holds a WindowCall. An exit during
//   one takes the window out of `window` into `retiredWindows` at once, and the outermost
//   WindowCall destroys it as it returns, so no window is destroyed under its own call.
// - The rebuild guard (PellucidWindow::RebuildRows, pellucid_window.cpp): a rebuild asked
//   for while one runs is not nested; it sets `rebuildAgain`, and the running rebuild goes
//   round once more, so the rows end as the plug-in's state says.
// - The window-still-current checks (the handlers of pellucid_window.cpp, and Activate in
//   activation.cpp): a handler whose window is no longer `window` (retired by an exit, not
//   yet destroyed) does nothing, and code that called the host checks `window` again
//   before it uses it.
//
// Calls that cannot call back (document, object and XML calls, messages) need none of
// them: a store or recall walks the document and a save walks the slot list unguarded.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "plugin/plugin_base.h"
#include "plugin/settings.h"
#include "slots/slot.h"

class PellucidWindow;

// A row of the slot window, the index of its slot, and a count of rows: the 32-bit signed
// integer in which slot indices cross the window's calls. Rows are added one "Add" at a
// time, two widgets each, so the count never comes near the type's limit.
using Row = int32_t;

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
    // Saves the shown state and the window's place, then destroys the window. The window
    // goes even when the settings cannot be saved, and the settings are written whole or
    // not at all.
    void Exit() override;
    // Shows (non-zero flag) or hides the window and refits it; the resulting state, and
    // false without a window. The document is not used.
    BOOL32 Activate(MQDocument document, BOOL32 flag) override;
    // True only while the window exists and the plug-in counts itself active.
    BOOL32 IsActivated(MQDocument document) override;
    // Replaces the slot list with the one kept in the document's plug-in element, and
    // rebuilds the window's rows. Wholly or not at all: when memory runs out on the way,
    // the slot list, the row count and the rows stay as they were.
    void OnLoadDocument(MQDocument document, const char* filename, DocumentXmlArgs* args) override;
    // Writes the slot list into the document's plug-in element. When memory runs out on
    // the way, the part of "Store" already written is taken out again, so the element is
    // left as the host gave it.
    void OnSaveDocument(MQDocument document, const char* filename, DocumentXmlArgs* args) override;

    // The plug-in's section of the host's plug-in settings; null when the host offers none.
    std::unique_ptr<MQSetting> OpenSettingsSection();

    // The slot window: made by Initialize, destroyed by Exit or at unload.
    std::unique_ptr<PellucidWindow> window;
    // Whether the plug-in counts itself activated, that is, its window is meant to be
    // shown. Cleared when the user closes the window.
    bool active = false;

    // ---- What the window asks of the plug-in ----------------------------------------------

    // "Add": one row more, and the window rebuilds its rows. When the rows cannot be
    // rebuilt the row count goes back to the rows still shown, Adds raised meanwhile
    // included, and each of them shows what its slot holds.
    void AddRow();
    // After a rebuild of the window's rows failed: the window still shows the rows it built
    // last, and the row count goes back to theirs, each "S" showing what its slot holds.
    void KeepRowsShown();
    // The window was closed while the plug-in counted itself active: it no longer does,
    // and tells the host so (message 100 with flag 0). A hide through Activate finds the
    // flag already clear and does nothing.
    void WindowClosed();

    // ---- Waiting on the host (the re-entry guards at the head of this file) ---------------
    // The number of document loads, exits and starts so far: a document load, an exit or a
    // start makes the document of the event being handled a thing of the past, and an exit
    // or a start the window too.
    uint64_t DocumentEra() const { return documentEra; }

    // Held for the length of every call that works on the window and calls the host: the
    // window is never destroyed while such a call is on the stack.
    class WindowCall {
    public:
        explicit WindowCall(Pellucid& plugin) : plugin_(plugin) { ++plugin_.windowCalls; }
        ~WindowCall();
        WindowCall(const WindowCall&) = delete;
        WindowCall& operator=(const WindowCall&) = delete;

    private:
        Pellucid& plugin_;
    };

    // ---- The slot list ------------------------------------------------------------------
    // Slot i belongs to row i of the slot window. Neither is tied to a document: a document
    // load replaces them, a save writes them, and nothing else resets them.

    // Rows the slot window shows, the slots a user can address. Never below 5; only "Add"
    // and a document load raise it, and only a load lowers it (to 5 or the slots read).
    Row rowCount = 5;
    // Never longer than rowCount; a row at or beyond its end is an empty slot. Slots
    // inside it may be empty.
    std::vector<Slot> slots;

    // The slot operations of the window's buttons. Each walks the document's object places
    // in order through the host, skipping empty places and objects whose index the host
    // answers negative, and never asks the host to redraw. They report no failure. An
    // allocation that fails propagates as std::bad_alloc, for the caller's guard, and
    // leaves the slot list exactly as it was: an overwrite builds the new slot beside the
    // old and puts it in only once nothing more can fail, and an append takes back what it
    // added and changed.

    // Records the visibility of the document's objects in slot `index`, lengthening the
    // list to rowCount first when it is too short. Overwrite mode (`append` false) empties
    // the slot and records every object. Append mode records only the objects for which
    // the host answers object value 262 with non-zero, and keeps the slot's other entries.
    // An index outside 0 .. rowCount-1 changes nothing. Returns 0.
    int32_t StoreSlot(MQDocument document, Row index, bool append);
    // Shows or hides every object whose name slot `index` holds, as recorded; leaves the
    // others alone. Returns 1 when the slot exists and holds entries, else 0 (and the
    // document is not visited).
    int32_t RecallSlot(MQDocument document, Row index);
    // Empties slot `index` when it exists, giving its memory back; the list keeps its
    // length. Allocates nothing, so it never fails. Returns 0.
    int32_t ClearSlot(Row index);
    // Whether slot `row` exists and holds entries: its "S" button is then shown down.
    bool SlotHoldsEntries(Row row) const {
        return row >= 0 && static_cast<size_t>(row) < slots.size() && !slots[static_cast<size_t>(row)].empty();
    }

private:
    // A document load, an exit or a start.
    void NewDocumentEra() { ++documentEra; }

    // Destroys the window now, or once the window's calls under way have returned.
    void DestroyWindow();

    uint64_t documentEra = 0;
    int windowCalls = 0;
    std::vector<std::unique_ptr<PellucidWindow>> retiredWindows;
};
