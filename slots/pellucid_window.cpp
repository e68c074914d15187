#include "slots/pellucid_window.h"

#include <memory>

#include "abi/message_box.h"
#include "abi/widget_events.h"
#include "slots/pellucid.h"

namespace {

using MouseHandler = int32_t (PellucidWindow::*)(MQWidgetBase*, MQDocument, WidgetMouseRecord*);
using PlainHandler = int32_t (PellucidWindow::*)(MQWidgetBase*, MQDocument);

std::shared_ptr<MQWidgetEventClosureBase> Closure(PellucidWindow* owner, MouseHandler method) {
    return std::shared_ptr<MQWidgetEventClosureBase>(
        new MQWidgetMouseEventClosure<PellucidWindow>(owner, method));
}

std::shared_ptr<MQWidgetEventClosureBase> Closure(PellucidWindow* owner, PlainHandler method) {
    return std::shared_ptr<MQWidgetEventClosureBase>(new MQWidgetEventClosure<PellucidWindow>(owner, method));
}

// A row button in `matrix` with its text and its handler for "leftdown", listed in `made`
// before anything else can fail, so that a build that fails finds every button it made.
MQButton* MakeRowButton(PellucidWindow* window, MQFrame* matrix, const platform::WideString& text,
                        MouseHandler handler, std::vector<MQButton*>& made) {
    made.reserve(made.size() + 1);
    MQButton* button = window->CreateButton(matrix, platform::WideString());
    made.push_back(button);
    button->SetText(text);
    button->AddEventHandler(MQEVT_LEFTDOWN, Closure(window, handler));
    button->SetOutSpace(0.0);
    button->SetInSpace(0.0);
    return button;
}

// Holds the lock for one scope, and releases it however the scope ends.
class LockHeld {
public:
    explicit LockHeld(platform::Lock& lock) : lock_(lock) { lock_.Enter(); }
    ~LockHeld() { lock_.Leave(); }
    LockHeld(const LockHeld&) = delete;
    LockHeld& operator=(const LockHeld&) = delete;

private:
    platform::Lock& lock_;
};

// Marks a rebuild as running for one scope, however the scope ends.
class Rebuilding {
public:
    explicit Rebuilding(bool& flag) : flag_(flag) { flag_ = true; }
    ~Rebuilding() { flag_ = false; }
    Rebuilding(const Rebuilding&) = delete;
    Rebuilding& operator=(const Rebuilding&) = delete;

private:
    bool& flag_;
};

}  // namespace

PellucidWindow::PellucidWindow(Pellucid* owner, MQWindowBase& parent) : MQWindow(parent), plugin(owner) {
    SetTitle(WIDE("Lucid"));
    SetCloseButton(false);
    SetCanResize(false);
    container = CreateVerticalFrame(this);
    BuildRows(container);
    MQButton* add = CreateButton(this, WIDE("Add"));
    add->AddEventHandler(MQEVT_EXECUTE, Closure(this, &PellucidWindow::OnAddClick));
    AddEventHandler(MQEVT_HIDE, Closure(this, &PellucidWindow::OnHide));
}

PellucidWindow::~PellucidWindow() = default;

// The new rows are made beside the old ones, which go only once the new are whole: when
// memory runs out on the way, what was made of the new rows is deleted again and the old
// rows stay as they were.
void PellucidWindow::BuildRows(MQWidgetBase* parent) {
    std::vector<MQButton*> made;
    made.reserve(2 * static_cast<size_t>(plugin->rowCount));
    MQFrame* matrix = CreateHorizontalFrame(parent);
    try {
        matrix->SetMatrixColumn(2);
        matrix->SetInSpace(0.0);
        matrix->SetOutSpace(0.0);
        // The row count is read afresh for every row.
        for (Row row = 0; row < plugin->rowCount; ++row) {
            MQButton* store = MakeRowButton(this, matrix, WIDE("S"), &PellucidWindow::OnStoreClick, made);
            if (plugin->SlotHoldsEntries(row)) store->SetDown(true);
            MakeRowButton(this, matrix, WIDE("R"), &PellucidWindow::OnRecallClick, made);
        }
    } catch (...) {
        for (auto button = made.rbegin(); button != made.rend(); ++button) DeleteWidget(*button);
        if (parent != nullptr) parent->RemoveChild(matrix);
        DeleteWidget(matrix);
        throw;
    }
    ClearRows();
    rowMatrix = matrix;
    buttons.swap(made);
}

// The row buttons stay among the window's created widgets until the window goes; only
// the frame is deleted here, taken out of them first so that it is deleted exactly once.
void PellucidWindow::ClearRows() {
    if (rowMatrix != nullptr) {
        container->RemoveChild(rowMatrix);
        DeleteWidget(rowMatrix);
        rowMatrix = nullptr;
    }
    buttons.clear();
}

// By index: an event raised from inside a SetDown may rebuild the rows.
void PellucidWindow::ReleaseAllButtons() {
    for (size_t i = 0; i < buttons.size(); ++i) buttons[i]->SetDown(false);
}

void PellucidWindow::FitToContent() {
    std::array<int32_t, 4> size = GetJustSize();
    SetWidth(size[0]);
    SetHeight(size[1]);
}

void PellucidWindow::RebuildRows() {
    if (rebuilding) {
        rebuildAgain = true;
        return;
    }
    LockHeld held(lock);
    Rebuilding scope(rebuilding);
    // The fit asks the host for the window's size, and an event raised from inside that
    // call may ask for another rebuild: it is part of the loop.
    //
    // Memory that runs out before the caller's rows are built is the caller's failure: the
    // old rows stay, and the caller puts back what it changed. Once they are built, what
    // fails is a later round, asked for by an event raised meanwhile (an "Add" whose row
    // was never built): the caller's work is whole, and the plug-in's row count goes back
    // to the rows shown.
    bool built = false;
    do {
        rebuildAgain = false;
        ++rowsEra;
        try {
            BuildRows(container);
            built = true;
            FitToContent();
        } catch (...) {
            if (!built) throw;
            if (plugin->window.get() == this) plugin->KeepRowsShown();
            return;
        }
    } while (rebuildAgain);
}

Row PellucidWindow::RowsShown() const { return static_cast<Row>(buttons.size() / 2); }

int64_t PellucidWindow::FindButton(const MQWidgetBase* sender) const {
    if (sender == nullptr) return -1;
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (static_cast<const MQWidgetBase*>(buttons[i]) == sender) return static_cast<int64_t>(i);
    }
    return -1;
}

PellucidWindow::Click PellucidWindow::BeginClick() const { return Click{plugin->DocumentEra(), rowsEra}; }

// A click holds a Pellucid::WindowCall, so the window lives through it even when an exit
// came meanwhile; the document era tells whether one did.
bool PellucidWindow::Stands(const Click& click, bool rows) const {
    return plugin->DocumentEra() == click.documentEra && (!rows || rowsEra == click.rowsEra);
}

bool PellucidWindow::Confirm(const Click& click, const platform::WideString& question) {
    bool ok = ShowMessageBox(question, WIDE("Lucid")) == MQBOX_OK;
    return Stands(click, true) && ok;
}

// Ctrl is tested first, so Ctrl with Shift appends. A pressed button (a slot that holds
// something) asks before its contents change; the button's look is set before the slot
// operation runs. The sender must be an "S" button: from a host that named the row's "R"
// button instead, the store would show that one pressed and leave "S" up over a slot that
// holds entries, and the next plain click would overwrite them without asking.
//
// Each call to the host may come back having delivered other events first: the question
// (a nested loop while the box is open) and the reads and writes of the button's look (an
// event raised from inside a widget call). Until the user's answer is in, a click whose
// window, rows or document went meanwhile is dropped. Once the answer is in, only a lost
// window or document drops it; rows rebuilt meanwhile show the slot as it then is.
int32_t PellucidWindow::OnStoreClick(MQWidgetBase* sender, MQDocument document, WidgetMouseRecord* mouse) {
    int64_t position = FindButton(sender);
    if (position < 0 || position % 2 != 0 || mouse == nullptr) return 0;
    MQButton* button = buttons[static_cast<size_t>(position)];
    const auto row = static_cast<Row>(position / 2);
    if (plugin->window.get() != this) return 0;  // retired by an exit, not yet destroyed
    Pellucid::WindowCall call(*plugin);
    const Click click = BeginClick();
    const bool append = mouse->Ctrl;
    const bool clear = !append && mouse->Shift;

    bool asks = button->GetDown();
    if (!Stands(click, true)) return 0;
    if (asks && !Confirm(click, append ? WIDE("Append?") : clear ? WIDE("Clear?") : WIDE("Overwrite?"))) return 0;
    button->SetDown(!clear);
    if (!Stands(click, false)) return 0;
    int32_t result = 0;
    try {
        result = clear ? plugin->ClearSlot(row) : plugin->StoreSlot(document, row, append);
    } catch (...) {
        // The operation left the slot as it was; the button shows that again, or the
        // next click would ask about what the slot does not hold.
        if (Stands(click, false)) ShowSlotOf(row);
        throw;
    }
    if (rowsEra != click.rowsEra) ShowSlotOf(row);
    return result;
}

void PellucidWindow::ShowSlotStates() {
    for (size_t position = 0; position < buttons.size(); position += 2) ShowSlotOf(static_cast<Row>(position / 2));
}

void PellucidWindow::ShowSlotOf(Row row) {
    size_t position = 2 * static_cast<size_t>(row);
    if (position < buttons.size()) buttons[position]->SetDown(plugin->SlotHoldsEntries(row));
}

int32_t PellucidWindow::OnRecallClick(MQWidgetBase* sender, MQDocument document, WidgetMouseRecord*) {
    if (plugin->window.get() != this) return 0;
    int64_t position = FindButton(sender);
    if (position < 0) return 0;
    return plugin->RecallSlot(document, static_cast<Row>(position / 2));
}

int32_t PellucidWindow::OnAddClick(MQWidgetBase*, MQDocument) {
    if (plugin->window.get() != this) return 0;
    plugin->AddRow();
    return 0;
}

// A hide while active comes from the user or the host closing the window.
int32_t PellucidWindow::OnHide(MQWidgetBase*, MQDocument) {
    if (plugin->window.get() != this) return 0;
    plugin->WindowClosed();
    return 0;
}
