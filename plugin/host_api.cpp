#include "abi/exports.h"
#include "plugin/host_api.h"

#include "platform/platform.h"

MQHostApi g_host{};

namespace {

template <typename Fn>
bool BindEntry(const platform::ModuleLoader& loader, platform::Module module, const char* name,
               Fn*& entry) {
    void* address = loader.find(module, name);
    entry = reinterpret_cast<Fn*>(address);
    return address != nullptr;
}

bool BindEntry(const platform::ModuleLoader& loader, platform::Module module, const char* name,
               void*& entry) {
    entry = loader.find(module, name);
    return entry != nullptr;
}

}  // namespace

int CountBoundHostFunctions() {
    int count = 0;
#define MQ_COUNT_ENTRY(name) count += g_host.name != nullptr ? 1 : 0;
    MQ_HOST_FUNCTIONS(MQ_COUNT_ENTRY, MQ_COUNT_ENTRY)
#undef MQ_COUNT_ENTRY
    return count;
}

uint32_t CheckHostVersion(uint32_t host_version) {
    return host_version >= MQ_MIN_HOST_VERSION ? MQ_PLUGIN_VERSION : 0;
}

// Loads the host module, binds the names in order and stops at the first one missing;
// entries after it keep what they held. The reference the load added is dropped either
// way: the module is the running host, which stays loaded, so the addresses stay valid.
int32_t BindHostApi(const char* host_module_file) {
    const platform::ModuleLoader& loader = platform::ModuleLoaderInUse();
    platform::Module module = loader.load(host_module_file);
    if (module == nullptr) return 0;
    int32_t result = 0;
    do {
#define MQ_BIND_ENTRY(name) \
    if (!BindEntry(loader, module, #name, g_host.name)) break;
        MQ_HOST_FUNCTIONS(MQ_BIND_ENTRY, MQ_BIND_ENTRY)
#undef MQ_BIND_ENTRY
        result = 1;
    } while (false);
    loader.release(module);
    return result;
}
