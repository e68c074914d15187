#include "widgets/widget_classes.h"

#include <memory>

namespace {

// Keywords and texts travel as the value pointer itself; the host only reads them.
void* Keyword(const char* keyword) { return const_cast<char*>(keyword); }
void* Text(const platform::WideString& text) { return const_cast<platform::WideChar*>(text.c_str()); }

}  // namespace

// ---- Frames and buttons -----------------------------------------------------------------

MQFrameBase::~MQFrameBase() = default;

void MQFrameBase::SetAlignment(Alignment alignment) {
    SetValue("alignment", Keyword(alignment == Alignment::Horizontal ? "horz" : "vert"));
}

void MQFrameBase::SetMatrixColumn(int32_t columns) { SetValue("matrixcolumn", &columns); }

MQFrame::MQFrame() { CreateWidget("frame"); }

MQFrame::~MQFrame() = default;

MQButton::MQButton() { CreateWidget("button"); }

MQButton::~MQButton() = default;

void MQButton::SetText(const platform::WideString& text) { SetValue("text", Text(text)); }

bool MQButton::GetDown() const {
    unsigned char down = 0;
    GetValue("down", &down);
    return down != 0;
}

void MQButton::SetDown(bool down) {
    unsigned char flag = down ? 1 : 0;
    SetValue("down", &flag);
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
    MQOption options[] = {{"child", &child_id}, {"result", &result}, {nullptr, nullptr}};
    Send(id, WidgetOp::AddChildWindow, options);
}

void MQWindowBase::DeleteWidget(MQWidgetBase* widget) {
    if (createdWidgets.erase(widget) == 0) return;
    delete widget;
}

int32_t MQWindowBase::ShowMessageBox(const platform::WideString& message, const platform::WideString& title) {
    int32_t parent = id;
    int32_t result = 0;
    MQOption options[] = {{"type", Keyword("messagebox")},
                          {"messagetype", Keyword("okcancel")},
                          {"parent", &parent},
                          {"message", Text(message)},
                          {"title", Text(title)},
                          {"result", &result},
                          {nullptr, nullptr}};
    Send(0, WidgetOp::MessageBox, options);
    return result;
}

void MQWindowBase::SetTitle(const platform::WideString& title) { SetValue("title", Text(title)); }

void MQWindowBase::SetCloseButton(bool shown) {
    unsigned char flag = shown ? 1 : 0;
    SetValue("closebutton", &flag);
}

void MQWindowBase::SetCanResize(bool resizable) {
    unsigned char flag = resizable ? 1 : 0;
    SetValue("canresize", &flag);
}

int32_t MQWindowBase::GetPosX() const {
    int32_t x = 0;
    GetValue("pos_x", &x);
    return x;
}

void MQWindowBase::SetPosX(int32_t x) { SetValue("pos_x", &x); }

int32_t MQWindowBase::GetPosY() const {
    int32_t y = 0;
    GetValue("pos_y", &y);
    return y;
}

void MQWindowBase::SetPosY(int32_t y) { SetValue("pos_y", &y); }

void MQWindowBase::SetWidth(int32_t width) { SetValue("width", &width); }

void MQWindowBase::SetHeight(int32_t height) { SetValue("height", &height); }

std::array<int32_t, 4> MQWindowBase::GetJustSize() const {
    std::array<int32_t, 4> size = {0, 0, -1, -1};
    GetValue("justsize", size.data());
    return size;
}

MQWindow::MQWindow(MQWindowBase& parent) {
    CreateWidget("window");
    parent.AddChildWindow(this);
}

MQWindow::MQWindow(Existing existing) : MQWindowBase(existing.id) {}

MQWindow::~MQWindow() = default;

MQWindow MQWindow::GetMainWindow() {
    int32_t result = -1;
    MQOption options[] = {{"system", Keyword("main_window")}, {"result", &result}, {nullptr, nullptr}};
    Send(0, WidgetOp::GetSystem, options);
    return MQWindow(Existing{result});
}

// ---- Canvas -----------------------------------------------------------------------------

MQCanvas::~MQCanvas() = default;
