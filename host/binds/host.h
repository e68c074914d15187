// The stand-in host's state as a whole.
#pragma once

namespace host {

// Returns the host to the state of a fresh start: an empty journal, an empty register of
// breaches and empty models.
void ResetHost();

}  // namespace host
