#include "host/host.h"

#include "host/documents.h"
#include "host/journal.h"

namespace host {

void ResetHost() {
    TheJournal().Clear();
    TheJournal().SetRecording(true);
    ResetDocuments();
}

}  // namespace host
