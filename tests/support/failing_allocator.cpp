#include "support/failing_allocator.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "abi/records.h"
#include "abi/widget_events.h"
#include "abi/widget_ops.h"
#include "plugin/host_api.h"
#include "widgets/widget_events.h"

namespace failing_allocator {
namespace {

bool g_plugin_side = false;
bool g_armed = false;
uint64_t g_count = 0;
uint64_t g_fail_at = 0;
bool g_failed = false;

// The table as BindHostApi left it, which the wrappers call.
MQHostApi g_bound;

// Whether this allocation is the one to fail.
bool Fails() {
    if (!g_armed || !g_plugin_side) return false;
    if (++g_count != g_fail_at) return false;
    g_failed = true;
    return true;
}

void* Allocate(size_t size) {
    if (Fails()) throw std::bad_alloc();
    if (void* block = std::malloc(size > 0 ? size : 1)) return block;
    throw std::bad_alloc();
}

void* AllocateOrNull(size_t size) noexcept {
    if (Fails()) return nullptr;
    return std::malloc(size > 0 ? size : 1);
}

template <auto Member, typename Result, typename... Args>
Result HostSide(Args... args) {
    PluginSide side(false);
    return (g_bound.*Member)(args...);
}

template <auto Member, typename Result, typename... Args>
void Interpose(Result (*)(Args...)) {
    g_host.*Member = &HostSide<Member, Result, Args...>;
}

int32_t PluginSideEventProc(void* document, void* options, void* pointer) {
    PluginSide side;
    return WidgetEventProc(document, options, pointer);
}

// AddEvent goes to the host with the plug-in's procedure replaced by PluginSideEventProc;
// the host calls that one, which hands each event on.
int32_t WidgetValue(int32_t widget, int32_t op, void* options) {
    PluginSide side(false);
    auto* given = static_cast<MQOption*>(options);
    if (op != MQWIDGET_ADD_EVENT || given == nullptr) return g_bound.MQWidget_Value(widget, op, options);
    constexpr size_t kMost = 16;
    MQOption copy[kMost + 1] = {};
    size_t n = 0;
    for (; n < kMost && given[n].name != nullptr; ++n) {
        copy[n] = given[n];
        if (std::strcmp(copy[n].name, MQWIDGET_KEY_PROC) == 0 &&
            copy[n].value == reinterpret_cast<void*>(&WidgetEventProc)) {
            copy[n].value = reinterpret_cast<void*>(&PluginSideEventProc);
        }
    }
    if (given[n].name != nullptr) return g_bound.MQWidget_Value(widget, op, options);  // too long to copy
    return g_bound.MQWidget_Value(widget, op, copy);
}

}  // namespace

PluginSide::PluginSide(bool plugin) : saved_(g_plugin_side) { g_plugin_side = plugin; }
PluginSide::~PluginSide() { g_plugin_side = saved_; }

void InterposeHost() {
    g_bound = g_host;
#define FAILING_ALLOCATOR_INTERPOSE(name) Interpose<&MQHostApi::name>(g_host.name);
#define FAILING_ALLOCATOR_SKIP(name)
    MQ_HOST_FUNCTIONS(FAILING_ALLOCATOR_INTERPOSE, FAILING_ALLOCATOR_SKIP)
#undef FAILING_ALLOCATOR_INTERPOSE
#undef FAILING_ALLOCATOR_SKIP
    g_host.MQWidget_Value = &WidgetValue;
}

void Arm(uint64_t fail_at) {
    g_count = 0;
    g_fail_at = fail_at;
    g_failed = false;
    g_armed = true;
}

Outcome Disarm() {
    g_armed = false;
    return Outcome{g_count, g_failed};
}

bool Failed() { return g_failed; }

}  // namespace failing_allocator

// Kept out of line, so that the compiler pairs new with delete rather than malloc with free.
[[gnu::noinline]] void* operator new(size_t size) { return failing_allocator::Allocate(size); }
[[gnu::noinline]] void* operator new[](size_t size) { return failing_allocator::Allocate(size); }
[[gnu::noinline]] void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return failing_allocator::AllocateOrNull(size);
}
[[gnu::noinline]] void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return failing_allocator::AllocateOrNull(size);
}
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete[](void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, size_t) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete[](void* block, size_t) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
