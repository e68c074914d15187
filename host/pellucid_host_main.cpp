// pellucid-host: the stand-in host program. It loads the plug-in file, runs the host's
// handshake and drives the plug-in through its events.
#include <cstdio>
#include <string>

#include "host/journal.h"
#include "host/plugin_module.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: pellucid-host [--plugin FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string plugin_file = host::PluginFileBesideProgram();
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--plugin" && i + 1 < argc) {
            plugin_file = argv[++i];
        } else {
            return Usage();
        }
    }

    std::string error;
    auto plugin = host::PluginModule::Load(plugin_file, &error);
    if (!plugin) {
        std::fprintf(stderr, "pellucid-host: %s\n", error.c_str());
        return 1;
    }
    std::printf("loaded %s\n", plugin_file.c_str());
    bool started = plugin->Handshake();
    std::printf("MQCheckVersion(0x%X) answered 0x%X\n", host::kHostVersion, plugin->version_answer());
    std::printf("MQInit(%s) %s\n", host::HostModuleFile().c_str(), started ? "bound the host API" : "failed");
    if (!started) return 1;

    host::PluginIdentity identity = plugin->Identity();
    std::printf("identity: product 0x%08X, plug-in 0x%08X, type %d\n", identity.product, identity.id,
                identity.type);
    std::printf("name: %s\n", identity.name.c_str());
    std::printf("menu string: %s\n", identity.menu.c_str());

    int32_t on = 1;
    std::printf("event 1 (start) -> %d\n", plugin->SendEvent(nullptr, 1, nullptr));
    std::printf("event 100 (activate) -> %d\n", plugin->SendEvent(nullptr, 100, &on));
    std::printf("event 101 (is activated?) -> %d\n", plugin->SendEvent(nullptr, 101, nullptr));
    std::printf("event 120 (mouse, not a command plug-in) -> %d\n", plugin->SendEvent(nullptr, 120, nullptr));
    std::printf("event 2 (exit) -> %d\n", plugin->SendEvent(nullptr, 2, nullptr));
    std::printf("host functions called by the plug-in: %zu\n", host::TheJournal().Calls().size());
    return 0;
}
