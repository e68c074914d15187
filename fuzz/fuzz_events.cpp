// The first door: host events through MQOnEvent, with option arrays a misbehaving host
// might send. The plug-in is started, then takes a run of events decoded from the input,
// every number the dispatcher knows and some it does not, with arrays holding known and
// unknown names, repeated names, null value pointers and values of every kind; finally it
// is stopped. Nothing may crash, the host may see no broken rule, and the plug-in's
// widgets must be whole while it runs and gone after it stopped.
// The arrays are host::HostileArguments', which pellucid-host validate sends too.
#include <vector>

#include "fuzz/harness.h"
#include "host/binds/documents.h"
#include "host/binds/xml.h"
#include "host/careless/hostile_arguments.h"
#include "host/records/breaches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    fuzz::ResetAll(in.Bit());

    host::Document& document = host::OpenDocument();
    for (const char* name : {"Body", "Rig", "", "Caf\xC3\xA9", "Body"}) document.AddObject(name, in.Bit());
    // The plug-in's element of the document, holding one slot, as a host would pass it.
    host::XmlElement element("plugin");
    host::XmlElement& list = element.AppendChild("Store").AppendChild("list");
    list.AppendChild("name").SetText("Body");

    fuzz::SendEvent(document.handle(), MQEVENT_INITIALIZE, nullptr);
    fuzz::CheckInvariants(true);
    for (int step = 0; step < 48 && !in.empty(); ++step) {
        const std::vector<int32_t>& events = host::kKnownAndNearbyEvents;
        size_t choice = in.Pick(events.size() + 1);
        int32_t event = choice < events.size() ? events[choice] : static_cast<int32_t>(in.U32());
        MQDocument target = in.Pick(4) == 0 ? nullptr : document.handle();
        host::HostileArguments args(document.handle(), &element);
        fuzz::SendEvent(target, event, args.Decode(in, event));
        // A foreign "xml_elem" is refused by name; that breach is the input's, every
        // other one the plug-in's.
        for (const host::Breach& breach : host::TheBreaches().Take()) {
            FUZZ_CHECK(args.GaveForeignElement() && breach.rule_id == "xml.unknown-element", breach.Text());
        }
        fuzz::CheckInvariants(event == MQEVENT_LOAD_DOCUMENT || event == MQEVENT_INITIALIZE);
    }
    fuzz::SendEvent(document.handle(), MQEVENT_EXIT, nullptr);
    fuzz::CheckInvariants(false);
    return 0;
}
