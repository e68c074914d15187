// The concrete widgets the plug-in builds its window from: frames, buttons, windows, the
// canvas of a paint event, and the OK/Cancel message box.
#pragma once

#include <array>
#include <cstdint>
#include <set>

#include "platform/platform.h"
#include "widgets/widget_base.h"

// A layout frame. Its children are arranged by the host, side by side ("horz") or one
// above the other ("vert"), in a grid when "matrixcolumn" is set.
class MQFrameBase : public MQWidgetBase {
public:
    enum class Alignment { Horizontal, Vertical };

    ~MQFrameBase() override;

    void SetAlignment(Alignment alignment);
    // The number of columns the host arranges the children in.
    void SetMatrixColumn(int32_t columns);

protected:
    MQFrameBase() = default;
};

class MQFrame : public MQFrameBase {
public:
    // Creates a host frame; see MQWidgetBase::CreateWidget for a create that fails.
    MQFrame();
    ~MQFrame() override;
};

class MQButton : public MQWidgetBase {
public:
    // Creates a host button.
    MQButton();
    ~MQButton() override;

    void SetText(const platform::WideString& text);
    // Whether the button is shown pressed; false when the host does not answer.
    bool GetDown() const;
    void SetDown(bool down);
};

// A window and the frames and buttons made in it, which it owns: they live until the
// window is destroyed or DeleteWidget discards them.
class MQWindowBase : public MQWidgetBase {
public:
    // Wraps an existing host window, which stays the host's (never deleted from here).
    explicit MQWindowBase(int32_t existing);
    // Deletes the widgets it created, then the window. The widgets go in the set's order,
    // by address, so a frame may go before the widgets placed in it; each of them still
    // gets its own Delete.
    ~MQWindowBase() override;

    // Create a frame or a button owned by this window and place it in `parent` (this
    // window or any widget in it); a null parent places it nowhere. The alignment or text
    // is set before the widget is placed. A create the host refuses still yields a
    // wrapper, with id 0, owned by the window all the same.
    MQFrame* CreateHorizontalFrame(MQWidgetBase* parent);
    MQFrame* CreateVerticalFrame(MQWidgetBase* parent);
    MQButton* CreateButton(MQWidgetBase* parent, const platform::WideString& text);

    // Makes `child` a child window of this one; null does nothing.
    void AddChildWindow(MQWindowBase* child);
    // Deletes a widget this window created, at once and only once; any other pointer is
    // left alone.
    void DeleteWidget(MQWidgetBase* widget);

    // Asks an OK/Cancel question in a box whose parent is this window, and returns once
    // the user has answered: 1 for OK; anything else, the preset 0 of a box nobody
    // answered included, means Cancel.
    int32_t ShowMessageBox(const platform::WideString& message, const platform::WideString& title);

    void SetTitle(const platform::WideString& title);
    void SetCloseButton(bool shown);
    void SetCanResize(bool resizable);
    // 0 when the host does not answer.
    int32_t GetPosX() const;
    void SetPosX(int32_t x);
    int32_t GetPosY() const;
    void SetPosY(int32_t y);
    void SetWidth(int32_t width);
    void SetHeight(int32_t height);
    // The size the content asks for: width and height first; the host's meaning of the
    // last two is not read. {0, 0, -1, -1} when the host does not answer.
    std::array<int32_t, 4> GetJustSize() const;

protected:
    // No window yet; MQWindow creates one.
    MQWindowBase() = default;

    std::set<MQWidgetBase*> createdWidgets;

private:
    // Makes a widget of this window's own: created, then in `createdWidgets`.
    template <class Widget>
    Widget* MakeOwned();
};

class MQWindow : public MQWindowBase {
public:
    // Creates a window and makes it a child window of `parent`.
    explicit MQWindow(MQWindowBase& parent);
    // The same for a parent held as an MQWindow (the main window), which would otherwise
    // pick the copy constructor; wrappers are never copied.
    explicit MQWindow(MQWindow& parent) : MQWindow(static_cast<MQWindowBase&>(parent)) {}
    ~MQWindow() override;

    // A wrapper of the host's main window, not owned: destroying it never deletes the
    // host's window. Registered under the host's answer, or under -1 when the host
    // answers nothing. Keep it only while it is needed as a parent.
    static MQWindow GetMainWindow();

private:
    struct Existing {
        int32_t id;
    };
    explicit MQWindow(Existing existing);
};

// The host's canvas for one paint event. The host owns the canvas; this wrapper frees
// only itself.
class MQCanvas {
public:
    explicit MQCanvas(void* canvas) : canvas(canvas) {}
    virtual ~MQCanvas();
    MQCanvas(const MQCanvas&) = delete;
    MQCanvas& operator=(const MQCanvas&) = delete;

    void* GetHandle() const { return canvas; }

protected:
    void* canvas;
};
