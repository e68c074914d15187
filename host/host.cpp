#include "host/host.h"

#include "host/breaches.h"
#include "host/documents.h"
#include "host/file_io.h"
#include "host/journal.h"
#include "host/settings.h"
#include "host/widgets.h"
#include "host/xml.h"

namespace host {

void ResetHost() {
    TheJournal().Clear();
    TheBreaches().Clear();
    ResetSettings();
    ResetXmlHandouts();
    TheWidgets().Reset();
    TheJournal().SetRecording(true);
    TheJournal().SetLimit(0);
    ResetDocuments();
    ForgetKeptFiles();
}

}  // namespace host
