#include "widgets/widget_classes.h"

#include <memory>

#include "abi/message_box.h"
#include "abi/widget_keys.h"

namespace {

// Keywords and texts travel as the value pointer itself; the host only reads them.
void* Keyword(const char* keyword) { return const_cast<char*>(keyword); }
void* Text(const platform::WideString& text) { return const_cast<platform::WideChar*>(text.c_str()); }

}  // namespace

// ---- Frames and buttons -----------------------------------------------------------------

MQFrameBase::~MQFrameBase() = default;

void MQFrameBase::SetAlignment(Alignment alignment) {
    SetValue(MQKEY_ALIGNMENT, Keyword(alignment == Alignment::Horizontal ? MQKEY_HORZ : MQKEY_VERT));
}

void MQFrameBase::SetMatrixColumn(int32_t columns) { SetValue(MQKEY_MATRIXCOLUMN, &columns); }

MQFrame::MQFrame() { CreateWidget(MQWIDGET_TYPE_FRAME); }

MQFrame::~MQFrame() = default;

MQButton::MQButton() { CreateWidget(MQWIDGET_TYPE_BUTTON); }

MQButton::~MQButton() = default;

void MQButton::SetText(const platform::WideString& text) { SetValue(MQKEY_TEXT, Text(text)); }

bool MQButton::GetDown() const {
    unsigned char down = 0;
    GetValue(MQKEY_DOWN, &down);
    return down != 0;
}

void MQButton::SetDown(bool down) {
    unsigned char flag = down ? 1 : 0;
    SetValue(MQKEY_DOWN, &flag);
}

// ---- Windows ----------------------------------------------------------------------------

MQWindowBase::MQWindowBase(int32_t existing) : MQWidgetBase(existing) {}

// The window leaves the registry before its widgets are deleted: by now the derived parts
// are gone, and an event the host raised while deleting them must not reach a handler of
// the half-destroyed window. The base part's removal then finds nothing left to remove.
MQWindowBase::~MQWindowBase() {
    if (id != 0) Unregister();
    std::set<MQWidgetBase*> created;
    created.swap(createdWidgets);
    for (MQWidgetBase* widget : created) delete widget;
}

template <class Widget>
Widget* MQWindowBase::MakeOwned() {
    auto widget = std::make_unique<Widget>();
    createdWidgets.insert(widget.get());
    return widget.release();
}

MQFrame* MQWindowBase::CreateHorizontalFrame(MQWidgetBase* parent) {
    MQFrame* frame = MakeOwned<MQFrame>();
    frame->SetAlignment(MQFrameBase::Alignment::Horizontal);
    if (parent != nullptr) parent->AddChild(frame);
    return frame;
}

MQFrame* MQWindowBase::CreateVerticalFrame(MQWidgetBase* parent) {
    MQFrame* frame = MakeOwned<MQFrame>();
    frame->SetAlignment(MQFrameBase::Alignment::Vertical);
    if (parent != nullptr) parent->AddChild(frame);
    return frame;
}

MQButton* MQWindowBase::CreateButton(MQWidgetBase* parent, const platform::WideString& text) {
    MQButton* button = MakeOwned<MQButton>();
    button->SetText(text);
    if (parent != nullptr) parent->AddChild(button);
    return button;
}

void MQWindowBase::AddChildWindow(MQWindowBase* child) {
    if (child == nullptr) return;
    int32_t child_id = child->id;
    int32_t result = -1;
    MQOption options[] = {{MQWIDGET_KEY_CHILD, &child_id}, {MQWIDGET_KEY_RESULT, &result}, {nullptr, nullptr}};
    Send(id, MQWIDGET_ADD_CHILD_WINDOW, options);
}

void MQWindowBase::DeleteWidget(MQWidgetBase* widget) {
    if (createdWidgets.erase(widget) == 0) return;
    delete widget;
}

int32_t MQWindowBase::ShowMessageBox(const platform::WideString& message, const platform::WideString& title) {
    int32_t parent = id;
    int32_t result = 0;
    MQOption options[] = {{MQWIDGET_KEY_TYPE, Keyword(MQBOX_TYPE)},
                          {MQBOX_KEY_MESSAGE_TYPE, Keyword(MQBOX_OKCANCEL)},
                          {MQWIDGET_KEY_PARENT, &parent},
                          {MQBOX_KEY_MESSAGE, Text(message)},
                          {MQBOX_KEY_TITLE, Text(title)},
                          {MQWIDGET_KEY_RESULT, &result},
                          {nullptr, nullptr}};
    Send(0, MQWIDGET_MESSAGEBOX, options);
    return result;
}

void MQWindowBase::SetTitle(const platform::WideString& title) { SetValue(MQKEY_TITLE, Text(title)); }

void MQWindowBase::SetCloseButton(bool shown) {
    unsigned char flag = shown ? 1 : 0;
    SetValue(MQKEY_CLOSEBUTTON, &flag);
}

void MQWindowBase::SetCanResize(bool resizable) {
    unsigned char flag = resizable ? 1 : 0;
    SetValue(MQKEY_CANRESIZE, &flag);
}

int32_t MQWindowBase::GetPosX() const {
    int32_t x = 0;
    GetValue(MQKEY_POS_X, &x);
    return x;
}

void MQWindowBase::SetPosX(int32_t x) { SetValue(MQKEY_POS_X, &x); }

int32_t MQWindowBase::GetPosY() const {
    int32_t y = 0;
    GetValue(MQKEY_POS_Y, &y);
    return y;
}

void MQWindowBase::SetPosY(int32_t y) { SetValue(MQKEY_POS_Y, &y); }

void MQWindowBase::SetWidth(int32_t width) { SetValue(MQKEY_WIDTH, &width); }

void MQWindowBase::SetHeight(int32_t height) { SetValue(MQKEY_HEIGHT, &height); }

std::array<int32_t, 4> MQWindowBase::GetJustSize() const {
    std::array<int32_t, 4> size = {0, 0, -1, -1};
    GetValue(MQKEY_JUSTSIZE, size.data());
    return size;
}

MQWindow::MQWindow(MQWindowBase& parent) {
    CreateWidget(MQWIDGET_TYPE_WINDOW);
    parent.AddChildWindow(this);
}

MQWindow::MQWindow(Existing existing) : MQWindowBase(existing.id) {}

MQWindow::~MQWindow() = default;

MQWindow MQWindow::GetMainWindow() {
    int32_t result = -1;
    MQOption options[] = {{MQWIDGET_KEY_SYSTEM, Keyword(MQWIDGET_SYSTEM_MAIN_WINDOW)}, {MQWIDGET_KEY_RESULT, &result}, {nullptr, nullptr}};
    Send(0, MQWIDGET_GET_SYSTEM, options);
    return MQWindow(Existing{result});
}

// ---- Canvas -----------------------------------------------------------------------------

MQCanvas::~MQCanvas() = default;
