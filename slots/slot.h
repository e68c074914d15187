// The slot: one snapshot of which objects of a document were visible, keyed by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Hashes an object name's bytes, eight at a time. Names in a slot are mostly 8 to 40 bytes
// long and are hashed once per object of the document on a store and a recall, so the hash
// is on the hot path. The value only ever lives in this process; it may differ between
// platforms. Transparent, so that it also serves maps searched with views.
struct SlotNameHash {
    using is_transparent = void;

    size_t operator()(std::string_view name) const {
        constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
        const char* bytes = name.data();
        const size_t size = name.size();
        uint64_t hash = (size + 1) * kMultiplier;
        // Fixed-size loads only: the last word overlaps its predecessor, and short names
        // are covered by two overlapping halves or by three single bytes.
        if (size >= 8) {
            const char* last = bytes + size - 8;
            for (; bytes < last; bytes += 8) hash = (hash ^ Mix(Load<uint64_t>(bytes))) * kMultiplier;
            hash = (hash ^ Mix(Load<uint64_t>(last))) * kMultiplier;
        } else if (size >= 4) {
            uint64_t word = Load<uint32_t>(bytes) | uint64_t{Load<uint32_t>(bytes + size - 4)} << 32;
            hash = (hash ^ Mix(word)) * kMultiplier;
        } else if (size > 0) {
            uint64_t word = uint64_t{static_cast<unsigned char>(bytes[0])} |
                            uint64_t{static_cast<unsigned char>(bytes[size / 2])} << 8 |
                            uint64_t{static_cast<unsigned char>(bytes[size - 1])} << 16;
            hash = (hash ^ Mix(word)) * kMultiplier;
        }
        hash ^= hash >> 32;
        hash *= 0xD6E8FEB86659FD93u;
        hash ^= hash >> 32;
        return static_cast<size_t>(hash);
    }

private:
    template <typename Word>
    static Word Load(const char* bytes) {
        Word word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    }
    static uint64_t Mix(uint64_t word) {
        word *= 0xFF51AFD7ED558CCDu;
        return word ^ (word >> 33);
    }
};

// One slot: object name to visible flag. The name is the host's narrow bytes, compared
// byte for byte; the empty name is a name like any other. Objects that share a name share
// an entry. The order of entries means nothing.
//
// The names' bytes lie back to back in one buffer, in the order they were added, and a
// table of fixed-size cells, at most half full and searched by linear probing, says where
// each name is and holds its flag. A store of a million names thus makes two blocks and
// no block per name, and throwing a slot away frees two. Every change that allocates
// either completes or, when an allocation fails, leaves the slot as it was.
class Slot {
    struct Cell;

public:
    // An entry as iteration gives it: the name, a view into the slot, and the flag.
    using value_type = std::pair<std::string_view, bool>;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Slot::value_type;
        using difference_type = std::ptrdiff_t;
        using reference = value_type;
        struct pointer {
            value_type entry;
            const value_type* operator->() const { return &entry; }
        };

        const_iterator() = default;
        value_type operator*() const { return slot_->EntryAt(cell_); }
        pointer operator->() const { return pointer{**this}; }
        const_iterator& operator++() {
            cell_ = slot_->NextUsed(cell_ + 1);
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const { return cell_ == other.cell_; }

    private:
        friend class Slot;
        const_iterator(const Slot* slot, size_t cell) : slot_(slot), cell_(cell) {}
        const Slot* slot_ = nullptr;
        size_t cell_ = 0;
    };
    using iterator = const_iterator;

    // The place of an entry in the table: valid until a name is added or taken out.
    using Place = size_t;
    static constexpr Place kNowhere = static_cast<Place>(-1);

    Slot() noexcept = default;
    Slot(const Slot&) = default;
    Slot& operator=(const Slot& other) {
        Slot copy(other);
        swap(copy);
        return *this;
    }
    // A moved-from slot is empty and usable.
    Slot(Slot&& other) noexcept { swap(other); }
    Slot& operator=(Slot&& other) noexcept {
        Slot taken(std::move(other));
        swap(taken);
        return *this;
    }
    void swap(Slot& other) noexcept {
        cells_.swap(other.cells_);
        names_.swap(other.names_);
        std::swap(size_, other.size_);
    }
    friend void swap(Slot& a, Slot& b) noexcept { a.swap(b); }

    size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    // The bytes of all names held (an empty name takes one), a hint for the room that a
    // slot like this one needs.
    size_t NameBytes() const noexcept { return names_.size(); }
    const_iterator begin() const { return const_iterator(this, NextUsed(0)); }
    const_iterator end() const { return const_iterator(this, cells_.size()); }

    // Room for `names` entries, and `bytes` of their names, without growing on the way.
    void Reserve(size_t names, size_t bytes = 0);

    // The place of `name`'s entry, or kNowhere.
    Place Find(std::string_view name) const {
        if (size_ == 0) return kNowhere;
        Place place = Probe(name, HashOf(name));
        return cells_[place].length != 0 ? place : kNowhere;
    }
    // The flag held for `name`, or nothing when the slot lacks it.
    std::optional<bool> FlagOf(std::string_view name) const {
        Place place = Find(name);
        if (place == kNowhere) return std::nullopt;
        return Visible(cells_[place]);
    }
    // Adds `name` with `visible` when the slot lacks it; an entry it holds keeps its flag.
    // The entry's place, and whether it was added.
    std::pair<Place, bool> Insert(std::string_view name, bool visible) {
        uint32_t hash = HashOf(name);
        Place place = !cells_.empty() ? Probe(name, hash) : kNowhere;
        if (place != kNowhere && cells_[place].length != 0) return {place, false};
        return {Add(name, hash, visible, place), true};
    }
    // Adds `name` or sets its flag.
    void Assign(std::string_view name, bool visible) {
        auto [place, added] = Insert(name, visible);
        if (!added) SetVisible(cells_[place], visible);
    }

    // The entry at a place that holds one.
    std::string_view NameAt(Place place) const { return NameOf(cells_[place]); }
    bool FlagAt(Place place) const { return Visible(cells_[place]); }
    void SetFlagAt(Place place, bool visible) { SetVisible(cells_[place], visible); }

    // A flag for the entry at a place.
    struct PlacedFlag {
        Place place;
        bool visible;
    };
    // When `flags` reach every entry of the slot, sets each entry's flag to the last one
    // given for it and answers true; otherwise changes nothing and answers false.
    // Allocates nothing.
    bool SetEveryFlag(const std::vector<PlacedFlag>& flags);

    // Names an entry for as long as it is held, across growth of the table, unlike a place:
    // no two names start at the same offset.
    struct Key {
        uint64_t offset;
        uint32_t hash;
    };
    Key KeyAt(Place place) const { return Key{Offset(cells_[place]), cells_[place].hash}; }
    Place PlaceOf(Key key) const;
    // Whether the entry at `place` was added after the slot held `bytes` of names.
    bool AddedSince(Place place, size_t bytes) const { return Offset(cells_[place]) >= bytes; }
    // Takes out every entry added after the slot held `bytes` of names, which must be no
    // more than it holds now, and the bytes. Allocates nothing, so it cannot fail.
    void TakeOutSince(size_t bytes) noexcept;

    // The same names with the same flags, whatever the order.
    friend bool operator==(const Slot& a, const Slot& b);

private:
    // A free cell is all zeros.
    struct Cell {
        uint32_t hash = 0;    // the low half of the name's hash
        uint32_t length = 0;  // the name's length plus one; 0 in a free cell
        uint64_t word = 0;    // the name's offset in names_, times 4; 2 marks; 1 when visible
    };
    static constexpr uint64_t kVisible = 1;
    static constexpr uint64_t kMark = 2;

    static uint32_t HashOf(std::string_view name) { return static_cast<uint32_t>(SlotNameHash{}(name)); }
    static uint64_t Offset(const Cell& cell) { return cell.word >> 2; }
    static bool Visible(const Cell& cell) { return (cell.word & kVisible) != 0; }
    static void SetVisible(Cell& cell, bool visible) { cell.word = (cell.word & ~kVisible) | (visible ? kVisible : 0); }
    std::string_view NameOf(const Cell& cell) const {
        return std::string_view(names_.data() + Offset(cell), cell.length - 1);
    }
    value_type EntryAt(size_t cell) const { return {NameOf(cells_[cell]), Visible(cells_[cell])}; }
    size_t NextUsed(size_t cell) const {
        while (cell < cells_.size() && cells_[cell].length == 0) ++cell;
        return cell;
    }

    // The cell holding `name`, or the free cell where it would go. The table must not be
    // empty; being at most half full, it always has a free cell.
    Place Probe(std::string_view name, uint32_t hash) const {
        const size_t mask = cells_.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            const Cell& cell = cells_[at];
            if (cell.length == 0) return at;
            if (cell.hash == hash && NameOf(cell) == name) return at;
        }
    }
    // Adds a name the slot lacks, at `free` when that is the free cell Probe found and
    // the table need not grow. Grows the table first when it would be more than half
    // full, then the names; either may fail, and nothing is held that was not before.
    Place Add(std::string_view name, uint32_t hash, bool visible, Place free);
    // Moves the table to one of `cells` cells, a power of two.
    void Regrow(size_t cells);
    // Frees the cell at `place`, moving later cells of its run back so that every name
    // stays reachable from its home cell.
    void Free(Place place) noexcept;

    std::vector<Cell> cells_;  // empty, or a power of two long
    std::string names_;
    size_t size_ = 0;
};
