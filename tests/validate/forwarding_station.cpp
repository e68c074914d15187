// A plug-in that forwards every call of the host to the Pellucid file beside it, with one
// habit of plug-ins in the field that a validator must not take for a verdict. Compiled
// once for each, with FORWARD_HABIT set:
//   1 quiet   sends its standard output to the null device in MQInit, as plug-ins that
//             keep a log of their own do: validate must judge it exactly as Pellucid
//   2 forger  prints lines shaped like a verdict and leaves the process with _exit(0)
//             from its fourth call on: validate must report the checks as crashed
// FORWARD_TO names the file it forwards to, looked for in its own folder. On Windows it
// has the plug-in's own DllMain, which gives back the runtime's exception buffer at an
// unload, so that the memory check judges the file it forwards to and not this one.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "abi/abi.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#define FORWARD_EXPORT extern "C" __declspec(dllexport)
#define NULL_DEVICE "NUL"
#else
#include <dlfcn.h>
#include <unistd.h>
#define FORWARD_EXPORT extern "C" __attribute__((visibility("default")))
#define NULL_DEVICE "/dev/null"
#endif

namespace {

// The forwarded file, loaded at the first call and unloaded with this one.
class Target {
public:
    ~Target() {
#if defined(_WIN32)
        if (module_ != nullptr) FreeLibrary(static_cast<HMODULE>(module_));
#else
        if (module_ != nullptr) dlclose(module_);
#endif
    }

    void* Find(const char* name) {
        if (module_ == nullptr) Load();
        if (module_ == nullptr) return nullptr;
#if defined(_WIN32)
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), name));
#else
        return dlsym(module_, name);
#endif
    }

private:
    // No standard string here: its instantiations would be exported beside the fourteen.
    void Load() {
        char file[4096] = "";
#if defined(_WIN32)
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<const char*>(&Here), &self);
        GetModuleFileNameA(self, file, MAX_PATH);
        const char* separators = "\\/";
#else
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&Here), &info) != 0 && info.dli_fname != nullptr) {
            std::snprintf(file, sizeof file, "%s", info.dli_fname);
        }
        const char* separators = "/";
#endif
        // The folder of this file, then the forwarded file's name.
        size_t folder = 0;
        for (size_t i = 0; file[i] != 0; ++i) {
            if (std::strchr(separators, file[i]) != nullptr) folder = i + 1;
        }
        std::snprintf(file + folder, sizeof file - folder, "%s", FORWARD_TO);
#if defined(_WIN32)
        module_ = LoadLibraryA(file);
#else
        module_ = dlopen(file, RTLD_NOW | RTLD_LOCAL);
#endif
    }
    static void Here() {}

    void* module_ = nullptr;
};

Target g_target;

// The habit, before every forwarded call.
void BeforeCall() {
#if FORWARD_HABIT == 2
    static int calls = 0;
    if (++calls >= 4) {
        // Both shapes a verdict of validate's children has had: a marked line and a record.
        std::printf("\n=validate= passed\t\t\nended\tpassed\n");
        std::fflush(stdout);
        _exit(0);
    }
#endif
}

template <typename Fn>
Fn* Forwarded(const char* name) {
    BeforeCall();
    return reinterpret_cast<Fn*>(g_target.Find(name));
}

}  // namespace

#define FORWARD(name, ...) \
    if (auto* target = Forwarded<name##_Fn>(#name)) return target(__VA_ARGS__);

FORWARD_EXPORT uint32_t MQCheckVersion(uint32_t host_version) {
    FORWARD(MQCheckVersion, host_version)
    return 0;
}

FORWARD_EXPORT int32_t MQInit(const char* host_module_file) {
#if FORWARD_HABIT == 1
    std::fflush(stdout);
    std::freopen(NULL_DEVICE, "w", stdout);
#endif
    FORWARD(MQInit, host_module_file)
    return 0;
}

FORWARD_EXPORT void MQGetPlugInID(uint32_t* product, uint32_t* id) {
    if (auto* target = Forwarded<MQGetPlugInID_Fn>("MQGetPlugInID")) target(product, id);
}

FORWARD_EXPORT const char* MQGetPlugInName() {
    FORWARD(MQGetPlugInName)
    return nullptr;
}

FORWARD_EXPORT int32_t MQGetPlugInType() {
    FORWARD(MQGetPlugInType)
    return 0;
}

FORWARD_EXPORT const char* MQEnumString(int32_t index) {
    FORWARD(MQEnumString, index)
    return nullptr;
}

FORWARD_EXPORT const char* MQEnumFileType(int32_t index) {
    FORWARD(MQEnumFileType, index)
    return nullptr;
}

FORWARD_EXPORT const char* MQEnumFileExt(int32_t index) {
    FORWARD(MQEnumFileExt, index)
    return nullptr;
}

FORWARD_EXPORT int32_t MQImportFile(int32_t index, void* a, void* b) {
    FORWARD(MQImportFile, index, a, b)
    return 0;
}

FORWARD_EXPORT int32_t MQExportFile(int32_t index, void* a, void* b) {
    FORWARD(MQExportFile, index, a, b)
    return 0;
}

FORWARD_EXPORT int32_t MQCreate(int32_t index, void* a) {
    FORWARD(MQCreate, index, a)
    return 0;
}

FORWARD_EXPORT int32_t MQModifyObject(int32_t index, void* a) {
    FORWARD(MQModifyObject, index, a)
    return 0;
}

FORWARD_EXPORT int32_t MQModifySelect(int32_t index, void* a) {
    FORWARD(MQModifySelect, index, a)
    return 0;
}

FORWARD_EXPORT int32_t MQOnEvent(void* document, int32_t event, void* argument) {
    FORWARD(MQOnEvent, document, event, argument)
    return 0;
}
