// The slot's table: growth, the flags of a store from the same names, and taking entries
// out again.
#include "slots/slot.h"

#include <limits>
#include <stdexcept>

namespace {

// The first table holds 8 names in 16 cells.
constexpr size_t kFirstCells = 16;

// The smallest power of two of at least `wanted` cells, and at least kFirstCells. The
// home cell comes from 32 bits of the hash, so a table is never longer than 2^32 cells.
size_t CellsFor(size_t wanted) {
    constexpr size_t kMostCells = size_t{1} << 31;
    if (wanted > kMostCells) throw std::length_error("slot: too many names");
    size_t cells = kFirstCells;
    while (cells < wanted) cells *= 2;
    return cells;
}

}  // namespace

void Slot::Reserve(size_t names, size_t bytes) {
    if (names > std::numeric_limits<size_t>::max() / 2) throw std::length_error("slot: too many names");
    if (names * 2 > cells_.size()) Regrow(CellsFor(names * 2));
    names_.reserve(bytes);
}

Slot::Place Slot::Add(std::string_view name, uint32_t hash, bool visible, Place free) {
    if (name.size() >= std::numeric_limits<uint32_t>::max()) throw std::length_error("slot: name too long");
    if ((size_ + 1) * 2 > cells_.size()) {
        Regrow(CellsFor((size_ + 1) * 2));
        free = kNowhere;
    }
    if (free == kNowhere) {
        const size_t mask = cells_.size() - 1;
        for (free = hash & mask; cells_[free].length != 0; free = (free + 1) & mask) {
        }
    }
    // An empty name takes one byte all the same, so that no two names start at the same
    // offset and a name added later starts beyond every name before it.
    const uint64_t offset = names_.size();
    names_.append(name.empty() ? std::string_view("", 1) : name);
    cells_[free] = Cell{hash, static_cast<uint32_t>(name.size() + 1), offset << 2 | (visible ? kVisible : 0)};
    ++size_;
    return free;
}

void Slot::Regrow(size_t cells) {
    std::vector<Cell> grown(cells);
    const size_t mask = cells - 1;
    for (const Cell& cell : cells_) {
        if (cell.length == 0) continue;
        size_t at = cell.hash & mask;
        while (grown[at].length != 0) at = (at + 1) & mask;
        grown[at] = cell;
    }
    cells_.swap(grown);
}

bool Slot::SetEveryFlag(const std::vector<PlacedFlag>& flags) {
    // The mark bits count the entries reached, each once, and are cleared again below.
    size_t reached = 0;
    for (const PlacedFlag& flag : flags) {
        Cell& cell = cells_[flag.place];
        if ((cell.word & kMark) == 0) {
            cell.word |= kMark;
            ++reached;
        }
    }
    const bool every = reached == size_;
    for (const PlacedFlag& flag : flags) {
        Cell& cell = cells_[flag.place];
        cell.word &= ~kMark;
        if (every) SetVisible(cell, flag.visible);
    }
    return every;
}

Slot::Place Slot::PlaceOf(Key key) const {
    const size_t mask = cells_.size() - 1;
    for (size_t at = key.hash & mask;; at = (at + 1) & mask) {
        const Cell& cell = cells_[at];
        if (cell.length != 0 && cell.hash == key.hash && Offset(cell) == key.offset) return at;
    }
}

void Slot::Free(Place place) noexcept {
    const size_t mask = cells_.size() - 1;
    Place hole = place;
    for (Place next = (hole + 1) & mask; cells_[next].length != 0; next = (next + 1) & mask) {
        // The cell at `next` may move into the hole when the hole lies on its way from its
        // home cell, that is no further from `next` than the home is.
        const size_t home = cells_[next].hash & mask;
        if (((next - home) & mask) >= ((next - hole) & mask)) {
            cells_[hole] = cells_[next];
            hole = next;
        }
    }
    cells_[hole] = Cell{};
    --size_;
}

void Slot::TakeOutSince(size_t bytes) noexcept {
    // One pass meets every cell. Freeing the cell at `at` moves later cells of its run back:
    // into `at`, which is looked at again, and into cells not reached yet; where the run
    // wraps round the end of the table, it moves cells from the front, which were passed
    // and kept, and they stay kept wherever they land.
    for (size_t at = 0; at < cells_.size(); ++at) {
        while (cells_[at].length != 0 && Offset(cells_[at]) >= bytes) Free(at);
    }
    names_.resize(bytes);
}

bool operator==(const Slot& a, const Slot& b) {
    if (a.size() != b.size()) return false;
    for (const auto& [name, visible] : a) {
        if (b.FlagOf(name) != visible) return false;
    }
    return true;
}
