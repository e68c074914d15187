// What the slot operations allocate, counted by a replaced global operator new. This
// program is the only one that replaces it; every other test runs on the normal allocator.
#include <gtest/gtest.h>

#include "support/bound_host.h"

#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

#include "host/binds/documents.h"
#include "host/records/journal.h"
#include "slots/pellucid.h"

namespace {
size_t g_allocations = 0;
}

// Kept out of line, so the compiler pairs new with delete rather than malloc with free.
[[gnu::noinline]] void* operator new(size_t size) {
    ++g_allocations;
    if (void* block = std::malloc(size > 0 ? size : 1)) return block;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, size_t) noexcept { std::free(block); }

namespace {

using SlotAllocations = BoundHostTest;

// The stand-in host's journal allocates for every call, so it is switched off.
TEST_F(SlotAllocations, RecallAllocatesNothingPerObject) {
    Pellucid plugin;
    host::Document document;
    for (int i = 0; i < 2000; ++i) document.AddObject("a name longer than the short-string room " + std::to_string(i));
    plugin.StoreSlot(document.handle(), 0, false);
    host::TheJournal().SetRecording(false);
    size_t before = g_allocations;
    EXPECT_EQ(plugin.RecallSlot(document.handle(), 0), 1);
    EXPECT_LT(g_allocations - before, 10u);
}

}  // namespace
