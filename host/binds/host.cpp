#include "host/binds/host.h"

#include "host/binds/documents.h"
#include "host/binds/settings.h"
#include "host/binds/widgets/widgets.h"
#include "host/binds/xml.h"
#include "host/files/file_io.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"

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
