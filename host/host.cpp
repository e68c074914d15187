#include "host/host.h"

#include "host/journal.h"
#include "host/widgets.h"

namespace host {

void ResetHost() {
    TheJournal().Clear();
    TheWidgets().Reset();
}

}  // namespace host
