// The slot: one snapshot of which objects of a document were visible, keyed by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

// Hashes an object name's bytes, eight at a time. Names in a slot are mostly 8 to 40 bytes
// long and are looked up once per object of the document, so the hash is on the hot path
// of every store and recall. The value only ever lives in this process; it may differ
// between builds and platforms.
//
// Transparent, so a slot is searched with the bytes the host wrote into a name buffer
// without making a string. Deliberately not noexcept: a hash that may throw makes the
// standard library keep each entry's hash beside it, so growing the table and walking a
// bucket compare stored hashes instead of hashing names again.
struct SlotNameHash {
    using is_transparent = void;

    size_t operator()(std::string_view name) const {
        constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
        const char* bytes = name.data();
        size_t left = name.size();
        uint64_t hash = name.size() * kMultiplier;
        while (left >= 8) {
            hash = (hash ^ Mix(Load(bytes, 8))) * kMultiplier;
            bytes += 8;
            left -= 8;
        }
        if (left > 0) hash = (hash ^ Mix(Load(bytes, left))) * kMultiplier;
        hash ^= hash >> 32;
        hash *= 0xD6E8FEB86659FD93u;
        hash ^= hash >> 32;
        return static_cast<size_t>(hash);
    }

private:
    static uint64_t Load(const char* bytes, size_t count) {
        uint64_t word = 0;
        std::memcpy(&word, bytes, count);
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
using Slot = std::unordered_map<std::string, bool, SlotNameHash, std::equal_to<>>;
