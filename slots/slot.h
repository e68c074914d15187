// The slot: one snapshot of which objects of a document were visible, keyed by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

// Hashes an object name's bytes, eight at a time. Names in a slot are mostly 8 to 40 bytes
// long and are hashed once per object of the document on a store, so the hash is on the
// hot path. The value only ever lives in this process; it may differ between platforms.
//
// Transparent, so a slot is searched with the bytes the host wrote into a name buffer
// without making a string. Deliberately not noexcept: GCC's standard library, which both
// builds use, then keeps each entry's hash beside it, so growing the table and walking a
// bucket compare stored hashes instead of hashing names again. Elsewhere it costs nothing.
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

// Memory for the entries of one slot. A store makes up to a million entries at once and an
// overwrite that cannot keep the entries frees them all again; taking them in order from
// large chunks costs less than a heap allocation each. Only blocks of one size are served,
// fixed by the first block asked for; when the last block is given back, handing out starts
// again at the front of the first chunk. The chunks are kept until the pool goes, with the
// last slot that shares it.
class SlotEntryPool {
public:
    // A block of `size` bytes aligned to `alignment`, or null when the pool serves another
    // size or cannot serve this one.
    void* Take(size_t size, size_t alignment) {
        if (stride_ == 0 && !Adopt(size, alignment)) return nullptr;
        if (!Serves(size)) return nullptr;
        void* block = free_;
        if (block != nullptr) {
            free_ = *static_cast<void**>(block);
        } else {
            if (chunks_.empty() || offset_ + stride_ > ChunkBytes(chunk_)) NextChunk();
            block = reinterpret_cast<std::byte*>(chunks_[chunk_].get()) + offset_;
            offset_ += stride_;
        }
        ++live_;
        return block;
    }

    // Takes back a block that Take handed out.
    void Give(void* block) {
        if (--live_ == 0) {
            free_ = nullptr;
            chunk_ = 0;
            offset_ = 0;
            return;
        }
        *static_cast<void**>(block) = free_;
        free_ = block;
    }

    // Whether blocks of `size` bytes come from this pool.
    bool Serves(size_t size) const { return stride_ != 0 && size == size_; }

private:
    // Chunks double from 16 KiB to 256 KiB, so a slot of a few hundred entries takes a
    // little memory and a large one few chunks.
    static constexpr size_t kFirstChunkBytes = 16 * 1024;
    static constexpr size_t kLastChunkBytes = 256 * 1024;
    static size_t ChunkBytes(size_t chunk) {
        return chunk >= 4 ? kLastChunkBytes : kFirstChunkBytes << chunk;
    }

    bool Adopt(size_t size, size_t alignment) {
        constexpr size_t kAlign = alignof(std::max_align_t);
        if (size < sizeof(void*) || size > kFirstChunkBytes || alignment > kAlign) return false;
        size_ = size;
        stride_ = (size + kAlign - 1) / kAlign * kAlign;
        return true;
    }
    void NextChunk() {
        size_t next = chunks_.empty() ? 0 : chunk_ + 1;
        if (next == chunks_.size()) {
            // Left uninitialised: a block is written before it is read. Owned before the
            // list grows, so that a list that cannot grow does not lose it.
            std::unique_ptr<std::max_align_t[]> chunk(new std::max_align_t[ChunkBytes(next) / sizeof(std::max_align_t)]);
            chunks_.push_back(std::move(chunk));
        }
        chunk_ = next;
        offset_ = 0;
    }

    std::vector<std::unique_ptr<std::max_align_t[]>> chunks_;
    size_t chunk_ = 0;   // the chunk that blocks are taken from
    size_t offset_ = 0;  // its first unused byte
    size_t size_ = 0;
    size_t stride_ = 0;  // 0 until the first block fixes the size
    size_t live_ = 0;
    void* free_ = nullptr;  // blocks given back, each holding the next one's address
};

// One entry of a slot: a name and its visible flag.
using SlotEntry = std::pair<const std::string, bool>;

// Puts a slot's entries into its own SlotEntryPool; everything else comes from the heap.
// Which blocks are entries is not told by the map, so this relies only on what every
// node-based map does: each entry lives in a node of its own, allocated one at a time,
// which holds the entry and so is at least as large. The pool takes the first single
// block of that size or more; smaller single blocks (a one-bucket table, a list head) and
// arrays go to the heap. With a library whose first such block is not a node the answer
// stays right and only the saving is lost. Copies share the pool: the map and the
// allocators it makes from its own all use it. A copied slot gets a pool of its own.
template <typename T>
class SlotAllocator {
public:
    using value_type = T;
    using propagate_on_container_copy_assignment = std::true_type;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;

    SlotAllocator() : pool_(std::make_shared<SlotEntryPool>()) {}
    // Declared so that a move copies: a moved-from slot keeps a pool and stays usable.
    SlotAllocator(const SlotAllocator&) noexcept = default;
    SlotAllocator& operator=(const SlotAllocator&) noexcept = default;
    template <typename U>
    SlotAllocator(const SlotAllocator<U>& other) noexcept : pool_(other.pool_) {}

    T* allocate(size_t n) {
        if (n == 1 && sizeof(T) >= sizeof(SlotEntry)) {
            if (void* block = pool_->Take(sizeof(T), alignof(T))) return static_cast<T*>(block);
        }
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, size_t n) {
        if (n == 1 && pool_->Serves(sizeof(T))) {
            pool_->Give(p);
        } else {
            std::allocator<T>().deallocate(p, n);
        }
    }

    SlotAllocator select_on_container_copy_construction() const { return SlotAllocator(); }

    template <typename U>
    bool operator==(const SlotAllocator<U>& other) const noexcept {
        return pool_ == other.pool_;
    }

private:
    template <typename U>
    friend class SlotAllocator;
    std::shared_ptr<SlotEntryPool> pool_;
};

// One slot: object name to visible flag. The name is the host's narrow bytes, compared
// byte for byte; the empty name is a name like any other. Objects that share a name share
// an entry. The order of entries means nothing.
using Slot = std::unordered_map<std::string, bool, SlotNameHash, std::equal_to<>, SlotAllocator<SlotEntry>>;

// A new, empty slot, at the load factor that slots are kept at: a quarter, below the
// standard library's 1, so most names have a bucket of their own and a lookup reaches its
// entry without passing others. Every slot of the plug-in is made here; copies and moves
// of a slot keep its load factor.
inline Slot MakeSlot() {
    Slot slot;
    slot.max_load_factor(0.25f);
    return slot;
}
