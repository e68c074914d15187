// A test allocator that can fail one chosen allocation of the plug-in: the program that
// links failing_allocator.cpp replaces the global operator new and delete, and counts the
// allocations made while the plug-in's own code runs, from the moment it is armed. The
// host's allocations are never counted, nor those of the test around the plug-in: the
// host functions that the plug-in calls are marked as the host's side, and the plug-in's
// side begins where the host or the test calls into it (its widget event procedure, the
// event dispatch, or a body run through AsPlugin).
//
// The plug-in's objects must be linked into the program: on Windows the plug-in file has
// a runtime of its own, which a replacement in the program does not reach.
#pragma once

#include <cstdint>
#include <utility>

namespace failing_allocator {

// Puts wrappers into the plug-in's host API table that mark each host call as the host's
// side, and into the widget events the plug-in registers a procedure that marks the
// plug-in's side before it hands the event on. Call after every BindHostApi.
void InterposeHost();

// Counts the plug-in's allocations from now on and fails the `fail_at`th of them (1 the
// first; 0 fails none) by throwing std::bad_alloc. Only that one fails.
void Arm(uint64_t fail_at);

struct Outcome {
    uint64_t allocations = 0;  // counted since Arm, the failed one included
    bool failed = false;       // whether the chosen allocation was reached and failed
};
// Stops counting and tells what happened since Arm.
Outcome Disarm();
// Whether the allocation chosen by the last Arm has failed, armed or not.
bool Failed();

// Marks the code that runs in its lifetime as the plug-in's (or not).
class PluginSide {
public:
    explicit PluginSide(bool plugin = true);
    ~PluginSide();
    PluginSide(const PluginSide&) = delete;
    PluginSide& operator=(const PluginSide&) = delete;

private:
    bool saved_;
};

// Runs `body` as the plug-in's code.
template <typename Body>
auto AsPlugin(Body&& body) {
    PluginSide side;
    return std::forward<Body>(body)();
}

}  // namespace failing_allocator
