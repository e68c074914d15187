// The handshake and binding, the plug-in's identity and type, its life (start, activation
// on and off, the window closed, exit, start again) and every event number.
#include <cstring>
#include <filesystem>

#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/records/breaches.h"
#include "platform/platform.h"
#include "host/validate/checks/station.h"

namespace host::validate {
namespace {

// Event 101 answers non-zero exactly when a window of the plug-in is shown: what the
// host's menu shows as checked is what the user sees.
void ActiveAgreesWithWindows(Station& station, const std::string& after) {
    bool active = station.plugin().SendEvent(station.document().handle(), MQEVENT_IS_ACTIVATED, nullptr) != 0;
    bool shown = !station.ShownWindows().empty();
    Require(active == shown, "lifecycle/active-not-shown",
            after + ": event 101 answers " + (active ? "active" : "inactive") + " while " +
                (shown ? "a window is shown" : "no window is shown"));
}

// Started, shown, hidden, shown and stopped, with no breach: the plug-in works.
void StillWorks(Station& station, const std::string& after) {
    station.Activate(1);
    Require(!station.ShownWindows().empty(), "lifecycle/no-window", after + ": activation shows no window");
    station.Activate(0);
    station.Exit();
}

// ---- The handshake ------------------------------------------------------------------------

void HandshakeInit(const Setting& setting) {
    Station station(setting);
    uint32_t answer = station.plugin().MQCheckVersion(kHostVersion);
    Require(answer != 0, "handshake/version-refused", "MQCheckVersion(0x4700) answered 0");
    Require(station.plugin().MQInit(HostModuleFile().c_str()) == 1, "handshake/init-failed",
            "MQInit(\"" + HostModuleFile() + "\") answered 0");
    station.NoBreach("MQInit");
    Require(station.plugin().Initialize(station.document().handle()) != 0, "lifecycle/start-refused", "event 1 answered 0");
    StillWorks(station, "after the handshake");
}

void HandshakeSecondInit(const Setting& setting) {
    Station station(setting);
    station.Start();
    Require(station.plugin().MQInit(HostModuleFile().c_str()) == 1, "handshake/second-init-failed",
            "a second MQInit with the same module answered 0");
    StillWorks(station, "after a second MQInit");
}

void HandshakeUnloadable(const Setting& setting) {
    Station station(setting);
    Require(station.plugin().MQCheckVersion(kHostVersion) != 0, "handshake/version-refused", "MQCheckVersion answered 0");
    Require(station.plugin().MQInit(nullptr) == 0, "handshake/init-null", "MQInit(null) answered 1");
    std::string missing = (std::filesystem::temp_directory_path() / "pellucid-validate-no-such-module").string();
    missing += platform::ModuleSuffix();
    Require(station.plugin().MQInit(missing.c_str()) == 0, "handshake/init-unloadable",
            "MQInit(\"" + missing + "\") answered 1");
    station.Start();
    StillWorks(station, "after MQInit refused a null and a missing module");
}

void HandshakeLackingNames(const Setting& setting) {
    Station station(setting);
    Require(station.plugin().MQCheckVersion(kHostVersion) != 0, "handshake/version-refused", "MQCheckVersion answered 0");
    // The plug-in's own file loads as a module and exports none of the host functions.
    Require(station.plugin().MQInit(setting.plugin_file.c_str()) == 0, "handshake/init-lacking-names",
            "MQInit(\"" + setting.plugin_file + "\"), a module without the host functions, answered 1");
    station.Start();
    StillWorks(station, "after MQInit refused a module lacking the host functions");
}

// ---- Identity and type --------------------------------------------------------------------

void IdentityId(const Setting& setting) {
    Station station(setting);
    PluginIdentity before = station.plugin().Identity();
    Require(before.product != 0 && before.id != 0, "identity/zero-id",
            "MQGetPlugInID gave product " + std::to_string(before.product) + ", id " + std::to_string(before.id));
    station.Start();
    PluginIdentity after = station.plugin().Identity();
    Require(after.product == before.product && after.id == before.id, "identity/id-changed",
            "MQGetPlugInID changed at the start");
    station.Exit();
}

void IdentityName(const Setting& setting) {
    Station station(setting);
    const char* first = station.plugin().MQGetPlugInName();
    Require(first != nullptr && first[0] != '\0', "identity/no-name", "MQGetPlugInName gave no name");
    std::string name = first;
    station.Start();
    station.Activate(1);
    const char* again = station.plugin().MQGetPlugInName();
    Require(again != nullptr && name == again, "identity/name-changed", "MQGetPlugInName changed while loaded");
    const char* menu = station.plugin().MQEnumString(0);
    Require(menu != nullptr && menu[0] != '\0', "identity/no-menu-string", "MQEnumString(0) gave no menu string");
    int32_t count = 1;
    while (count < 64 && station.plugin().MQEnumString(count) != nullptr) ++count;
    Require(count < 64, "identity/endless-menu", "MQEnumString gave 64 strings and no null after them");
    station.Exit();
}

void IdentityType(const Setting& setting) {
    Station station(setting);
    int32_t type = station.plugin().MQGetPlugInType();
    Require(type == MQPLUGIN_TYPE_STATION || type == MQPLUGIN_TYPE_COMMAND, "identity/not-a-station",
            "MQGetPlugInType answered " + std::to_string(type) + ", neither a station (6) nor a command (7)");
    PluginModule& plugin = station.plugin();
    Require(plugin.MQEnumFileType(0) == nullptr && plugin.MQEnumFileExt(0) == nullptr, "identity/file-types",
            "a station plug-in lists file types");
    int32_t answers = plugin.MQImportFile(0, nullptr, nullptr) | plugin.MQExportFile(0, nullptr, nullptr) |
                      plugin.MQCreate(0, nullptr) | plugin.MQModifyObject(0, nullptr) | plugin.MQModifySelect(0, nullptr);
    Require(answers == 0, "identity/other-operations",
            "a station plug-in answered success to an import, export, create or modify operation");
}

// ---- Life ---------------------------------------------------------------------------------

void LifecycleStart(const Setting& setting) {
    Station station(setting);
    station.Start();
    ActiveAgreesWithWindows(station, "after the start");
    station.Exit();
}

void LifecycleActivate(const Setting& setting) {
    Station station(setting);
    station.Start();
    int32_t answer = station.Activate(1);
    Require(answer != 0, "lifecycle/activate-answer", "activation on (event 100, flag 1) answered 0");
    Require(!station.ShownWindows().empty(), "lifecycle/no-window", "activation on shows no window");
    ActiveAgreesWithWindows(station, "after activation on");
    station.Activate(1);
    Require(station.ShownWindows().size() == 1, "lifecycle/windows-doubled",
            "a second activation on shows " + std::to_string(station.ShownWindows().size()) + " windows");
    station.Exit();
}

void LifecycleDeactivate(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    int32_t answer = station.Activate(0);
    Require(answer == 0, "lifecycle/deactivate-answer", "activation off (event 100, flag 0) answered non-zero");
    Require(station.ShownWindows().empty(), "lifecycle/window-still-shown", "activation off left a window shown");
    ActiveAgreesWithWindows(station, "after activation off");
    station.Activate(0);
    StillWorks(station, "after activation off");
}

void LifecycleCloseWindow(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    for (int32_t window : station.ShownWindows()) TheWidgets().CloseWindow(window, station.document().handle());
    station.NoBreach("closing the window");
    ActiveAgreesWithWindows(station, "after the window was closed");
    StillWorks(station, "after the window was closed");
}

void LifecycleExit(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Exit();  // hidden
    station.Start();
    station.Activate(1);
    station.Exit();  // shown
    station.Start();
    station.Activate(1);
    station.Activate(0);
    station.Exit();  // hidden again
}

void LifecycleRestart(const Setting& setting) {
    Station station(setting);
    for (int round = 0; round < 3; ++round) {
        station.Start();
        ActiveAgreesWithWindows(station, "after start " + std::to_string(round + 1));
        StillWorks(station, "after start " + std::to_string(round + 1));
    }
}

// ---- Every event number -------------------------------------------------------------------

enum class Argument { Null, Empty, Hostile };

// Events 0 to 300 on a started, shown plug-in. Event 1 comes after an exit and event 2 is
// followed by a start, as a host sends them; every other arrives as it is.
void EventSweep(const Setting& setting, Argument kind) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    XmlElement element("plugin");
    MQOption empty[] = {{nullptr, nullptr}};
    int rounds = kind == Argument::Hostile ? setting.Scaled(1, 10) : 1;
    for (int round = 0; round < rounds; ++round) {
        for (int32_t event = 0; event <= 300; ++event) {
            std::vector<uint8_t> bytes = station.Bytes(kind == Argument::Hostile ? 192 : 0);
            ByteReader in(bytes.data(), bytes.size());
            HostileArguments hostile(station.document().handle(), &element);
            void* argument = nullptr;
            MQDocument document = station.document().handle();
            if (kind == Argument::Empty) argument = empty;
            if (kind == Argument::Hostile) {
                argument = hostile.Decode(in, event);
                if (station.Pick(4) == 0) document = nullptr;
            }
            if (event == MQEVENT_INITIALIZE) station.Exit();
            StepContext("round " + std::to_string(round + 1) + " of " + std::to_string(rounds));
            Step("event " + std::to_string(event));
            station.plugin().SendEvent(document, event, argument);
            if (hostile.GaveForeignElement()) TheBreaches().Drop(Rule::kXmlUnknownElement);
            station.NoBreach("event " + std::to_string(event));
            if (event == MQEVENT_EXIT) station.Start();
        }
    }
    StillWorks(station, "after events 0 to 300");
}

void EventsNull(const Setting& setting) { EventSweep(setting, Argument::Null); }
void EventsEmpty(const Setting& setting) { EventSweep(setting, Argument::Empty); }
void EventsHostile(const Setting& setting) { EventSweep(setting, Argument::Hostile); }

}  // namespace

std::vector<Check> BoundaryChecks() {
    return {
        {"handshake.init", "MQCheckVersion accepts the host's version and MQInit binds the host module it is named", 1,
         false, HandshakeInit},
        {"handshake.second-init", "a second MQInit with the same module binds again and the plug-in still works", 1,
         false, HandshakeSecondInit},
        {"handshake.unloadable-module", "MQInit answers 0 for a null file name and for a file that does not load", 1,
         false, HandshakeUnloadable},
        {"handshake.module-lacking-names",
         "MQInit answers 0 for a module without the host functions (the plug-in's own file)", 1, false,
         HandshakeLackingNames},
        {"identity.id", "MQGetPlugInID gives a non-zero product and id that the start does not change", 1, false,
         IdentityId},
        {"identity.name", "the name and the menu string are given, stay the same, and the menu ends in null", 1, false,
         IdentityName},
        {"identity.type", "the type is a station's, with no file types and no import, export, create or modify", 1,
         false, IdentityType},
        {"lifecycle.start", "event 1 succeeds, and event 101 answers active exactly when a window is shown", 1, false,
         LifecycleStart},
        {"lifecycle.activate", "activation on (event 100) answers 1 and shows one window, also when repeated", 1, false,
         LifecycleActivate},
        {"lifecycle.deactivate", "activation off answers 0 and hides every window of the plug-in", 1, false,
         LifecycleDeactivate},
        {"lifecycle.close-window", "closing the shown window as a user does turns the plug-in off", 1, false,
         LifecycleCloseWindow},
        {"lifecycle.exit", "event 2 leaves no widget behind, whether the window is shown or hidden", 1, false,
         LifecycleExit},
        {"lifecycle.restart", "after event 2, event 1 starts the plug-in again, three times over", 1, false,
         LifecycleRestart},
        {"events.null", "every event number 0 to 300 with a null argument", 2, false, EventsNull},
        {"events.empty", "every event number 0 to 300 with an empty option array", 2, false, EventsEmpty},
        {"events.hostile", "every event number 0 to 300 with hostile option arrays (1 to 10 rounds)", kHostileLevel,
         true, EventsHostile, 2},
    };
}

}  // namespace host::validate
