// The plug-in file itself: the entry points a station plug-in exports and no others, and
// what it needs beside the system.
#include <algorithm>
#include <set>

#include "host/validate/check.h"
#include "host/validate/os/module_table.h"
#include "abi/exports.h"

namespace host::validate {
namespace {

ModuleTable ReadTable(const Setting& setting) {
    ModuleTable table;
    std::string error;
    if (!ReadModuleTable(setting.plugin_file, &table, &error)) Fail("file/unreadable", error);
    return table;
}

void Exports(const Setting& setting) {
    ModuleTable table = ReadTable(setting);
    std::set<std::string> wanted = {
#define PELLUCID_EXPORT_NAME(name) #name,
        MQ_PLUGIN_EXPORTS(PELLUCID_EXPORT_NAME)
#undef PELLUCID_EXPORT_NAME
    };
    std::set<std::string> have(table.exports.begin(), table.exports.end());
    std::string missing, extra;
    for (const std::string& name : wanted) {
        if (have.count(name) == 0) missing += " " + name;
    }
    int extras = 0;
    for (const std::string& name : have) {
        if (wanted.count(name) != 0) continue;
        if (++extras <= 8) extra += " " + name;
    }
    Require(missing.empty(), "file/missing-exports", "the file does not export" + missing);
    Require(extras == 0, "file/other-exports",
            "the file exports " + std::to_string(extras) + " other name(s):" + extra + (extras > 8 ? " ..." : ""));
}

void Dependencies(const Setting& setting) {
    ModuleTable table = ReadTable(setting);
    for (const std::string& name : table.needs) {
        std::string why = ForeignDependency(name);
        Require(why.empty(), "file/foreign-dependency", "the file needs " + name + ", " + why);
    }
}

}  // namespace

std::vector<Check> FileChecks() {
    return {
        {"file.exports", "the file exports the fourteen entry points of a station plug-in and no other name", 1, false,
         Exports},
        {"file.dependencies", "the file needs no library beside the system's (no compiler runtime to install)", 1,
         false, Dependencies},
    };
}

}  // namespace host::validate
