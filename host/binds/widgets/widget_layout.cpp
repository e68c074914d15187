// How the host lays out widgets: the size a widget's content asks for ("justsize"), from
// the host's measures of a button and the spaces of frames and windows.
#include <algorithm>
#include <cmath>

#include "host/binds/widgets/widget_request.h"

namespace host {
namespace {

// The host's measures of a widget, in pixels.
constexpr double kButtonHeight = 22;
constexpr double kButtonPadding = 16;
constexpr double kCharacterWidth = 8;
constexpr double kButtonMinimumWidth = 24;
constexpr double kWindowBorder = 8;
constexpr double kTitleBar = 24;

// The number of characters of a UTF-16 text (a surrogate pair is one).
size_t Characters(const platform::WideString& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](platform::WideChar unit) {
        return static_cast<uint32_t>(unit) < 0xDC00 || static_cast<uint32_t>(unit) > 0xDFFF;
    }));
}

struct Extent {
    double width = 0;
    double height = 0;
};

// Children's extents arranged as a frame arranges them, with `gap` between neighbours.
Extent ArrangeExtents(const std::vector<Extent>& cells, bool side_by_side, size_t columns, double gap) {
    if (cells.empty()) return Extent{};
    if (columns == 0) columns = side_by_side ? cells.size() : 1;
    size_t rows = (cells.size() + columns - 1) / columns;
    std::vector<double> widths(std::min(columns, cells.size()), 0), heights(rows, 0);
    for (size_t i = 0; i < cells.size(); ++i) {
        widths[i % columns] = std::max(widths[i % columns], cells[i].width);
        heights[i / columns] = std::max(heights[i / columns], cells[i].height);
    }
    Extent extent;
    for (double width : widths) extent.width += width;
    for (double height : heights) extent.height += height;
    extent.width += gap * static_cast<double>(widths.size() - 1);
    extent.height += gap * static_cast<double>(rows - 1);
    return extent;
}

Extent Measure(const WidgetModel& model, const Widget& widget) {
    Extent extent;
    if (widget.type == MQWIDGET_TYPE_BUTTON) {
        extent.width = std::max(kButtonMinimumWidth, kButtonPadding + kCharacterWidth * static_cast<double>(Characters(widget.text)));
        extent.height = kButtonHeight;
    } else {
        std::vector<Extent> cells;
        for (int32_t id : widget.children) {
            const Widget* child = model.Find(id);
            if (child != nullptr && child->visible) cells.push_back(Measure(model, *child));
        }
        bool frame = widget.type == MQWIDGET_TYPE_FRAME;
        extent = ArrangeExtents(cells, frame && widget.alignment == MQKEY_HORZ,
                                frame ? static_cast<size_t>(widget.matrixcolumn) : 0, widget.inspace);
    }
    extent.width += 2 * widget.outspace;
    extent.height += 2 * widget.outspace;
    return extent;
}

int32_t Pixels(double value) { return static_cast<int32_t>(std::lround(value)); }

}  // namespace

std::array<int32_t, 4> WidgetModel::JustSize(int32_t id) const {
    const Widget* widget = Find(id);
    if (widget == nullptr) return {0, 0, -1, -1};
    Extent content = Measure(*this, *widget);
    if (widget->type != MQWIDGET_TYPE_WINDOW) {
        return {Pixels(content.width), Pixels(content.height), Pixels(content.width), Pixels(content.height)};
    }
    return {Pixels(content.width + 2 * kWindowBorder), Pixels(content.height + kTitleBar + 2 * kWindowBorder),
            Pixels(content.width), Pixels(content.height)};
}

}  // namespace host
