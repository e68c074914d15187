// What the fuzz targets share: a reader that turns the fuzzer's bytes into decisions, and
// the plug-in, linked into the target and bound to the stand-in host linked beside it,
// with the checks that must hold after every step.
//
// Each input starts from the same state: a fresh host (no widgets but the main window, no
// documents, empty settings) and a plug-in that is not started and holds no slots. An
// input that breaks a rule aborts with a message, which libFuzzer reports as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "host/careless/hostile_arguments.h"
#include "slots/slot.h"

class Pellucid;

namespace fuzz {

// The fuzzer's bytes, read as the host's hostile arguments read them.
using ByteReader = host::ByteReader;

// Prints `rule` with `detail` and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const std::string& rule, const std::string& detail = "");
#define FUZZ_CHECK(condition, detail) \
    do {                               \
        if (!(condition)) ::fuzz::Fail(#condition, detail); \
    } while (false)

// The plug-in object of the library linked into the target.
Pellucid& ThePlugin();

// The plug-in's export, called as the host calls it.
int32_t SendEvent(MQDocument document, int32_t event, void* argument);

// Brings host and plug-in back to the state every input starts from: the plug-in stopped
// (event 2 when it was running) and its slots dropped, the host reset with its journal
// off, freed widget ids reused when `reuse_ids`. The first call binds the host API.
void ResetAll(bool reuse_ids);

// The checks that hold at every moment:
// - the register of breaches of the host's rules is empty;
// - while the window exists: it is the one "Lucid" window, it shows rowCount "S" and
//   rowCount "R" buttons and one "Add", every widget in the host but its main window has
//   a live wrapper in the plug-in, and every row whose slot holds entries shows its "S"
//   button down (`exact`: and only those, which holds right after the rows were built);
// - once the plug-in has stopped: the host holds no widget but its main window and the
//   plug-in no wrapper.
void CheckInvariants(bool exact);

// The "S" (or "R") buttons of the Lucid window in row order; empty without a window.
std::vector<int32_t> RowButtons(const char* text);

// The slots with their empty slots at the end dropped, as a save leaves them.
std::vector<Slot> Trimmed(std::vector<Slot> slots);

// Slots as text, for a failure message.
std::string SlotsText(const std::vector<Slot>& slots);

}  // namespace fuzz
