#include "host/host.h"

#include "host/journal.h"

namespace host {

void ResetHost() {
    TheJournal().Clear();
}

}  // namespace host
