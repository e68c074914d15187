// A window as text, for tests and for the user of pellucid-host: frames arranged as the
// host arranges them, buttons as [text].
#include <algorithm>

#include "host/binds/widgets/widget_request.h"

namespace host {
namespace {

// The number of characters of a UTF-8 text.
size_t Columns(const std::string& text) {
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }));
}

struct Block {
    std::vector<std::string> lines;
    std::vector<int32_t> labels;  // for each line, the row number it shows, 0 for none
    size_t width = 0;
};

Block Line(std::string text, int32_t label) {
    Block block;
    block.width = Columns(text);
    block.lines.push_back(std::move(text));
    block.labels.push_back(label);
    return block;
}

std::string Padded(const std::string& text, size_t width) {
    size_t columns = Columns(text);
    return columns >= width ? text : text + std::string(width - columns, ' ');
}

// Children side by side with one space between them, or one above the other; a grid of
// `columns` columns, filled row by row, when `columns` > 0.
Block Arrange(const std::vector<Block>& cells, bool side_by_side, size_t columns) {
    if (cells.empty()) return Block{};
    if (columns == 0) columns = side_by_side ? cells.size() : 1;
    std::vector<size_t> widths(columns, 0);
    for (size_t i = 0; i < cells.size(); ++i) widths[i % columns] = std::max(widths[i % columns], cells[i].width);
    Block block;
    for (size_t row = 0; row * columns < cells.size(); ++row) {
        size_t first = row * columns;
        size_t last = std::min(first + columns, cells.size());
        size_t height = 0;
        for (size_t i = first; i < last; ++i) height = std::max(height, cells[i].lines.size());
        for (size_t line = 0; line < height; ++line) {
            std::string text;
            int32_t label = 0;
            for (size_t i = first; i < last; ++i) {
                const Block& cell = cells[i];
                if (i > first) text += ' ';
                text += Padded(line < cell.lines.size() ? cell.lines[line] : "", widths[i - first]);
                if (label == 0 && line < cell.labels.size()) label = cell.labels[line];
            }
            block.labels.push_back(label);
            text.erase(text.find_last_not_of(' ') + 1);
            block.width = std::max(block.width, Columns(text));
            block.lines.push_back(std::move(text));
        }
    }
    return block;
}

Block Render(const WidgetModel& model, const Widget& widget, const std::vector<int32_t>& numbered) {
    if (widget.type == MQWIDGET_TYPE_BUTTON) {
        auto found = std::find(numbered.begin(), numbered.end(), widget.id);
        int32_t label = found == numbered.end() ? 0 : static_cast<int32_t>(found - numbered.begin()) + 1;
        std::string text(1, '[');
        text += widget.TextUtf8();
        if (widget.down) text += '*';
        text += ']';
        return Line(text, label);
    }
    std::vector<Block> cells;
    for (int32_t id : widget.children) {
        const Widget* child = model.Find(id);
        if (child == nullptr || !child->visible) continue;
        Block cell = Render(model, *child, numbered);
        if (!cell.lines.empty()) cells.push_back(std::move(cell));
    }
    bool frame = widget.type == MQWIDGET_TYPE_FRAME;
    return Arrange(cells, frame && widget.alignment == MQKEY_HORZ, frame ? static_cast<size_t>(widget.matrixcolumn) : 0);
}

}  // namespace

std::string WidgetModel::Picture(int32_t id, const std::vector<int32_t>& numbered) const {
    const Widget* window = Find(id);
    if (window == nullptr) return "(no widget " + std::to_string(id) + ")\n";
    if (window->type != MQWIDGET_TYPE_WINDOW) return "(widget " + std::to_string(id) + " is " + Article(window->type) + ")\n";
    std::string label = window->title.empty() ? "window " + std::to_string(id) : window->TitleUtf8();
    if (!window->visible) label += " (hidden)";
    Block content = Render(*this, *window, numbered);
    if (!numbered.empty()) {
        size_t digits = std::to_string(numbered.size()).size();
        content.width = 0;
        for (size_t line = 0; line < content.lines.size(); ++line) {
            std::string label = content.labels[line] == 0 ? "" : std::to_string(content.labels[line]);
            content.lines[line] = std::string(digits - label.size(), ' ') + label + " " + content.lines[line];
            content.width = std::max(content.width, Columns(content.lines[line]));
        }
    }
    size_t inner = std::max(content.width + 2, Columns(label) + 4);
    std::string picture = "+- " + label + " " + std::string(inner - Columns(label) - 3, '-') + "+\n";
    for (const std::string& line : content.lines) picture += "| " + Padded(line, inner - 2) + " |\n";
    return picture + "+" + std::string(inner, '-') + "+\n";
}

std::string WidgetModel::Pictures() const {
    std::string pictures;
    for (const auto& [id, widget] : widgets_) {
        if (widget.type == MQWIDGET_TYPE_WINDOW && !widget.main) pictures += Picture(id);
    }
    return pictures;
}

}  // namespace host
