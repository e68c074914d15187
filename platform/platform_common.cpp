// The parts of the platform layer that do not differ between systems.
#include "platform/platform.h"

namespace platform {
namespace {
const ModuleLoader* g_loader = nullptr;
}

const ModuleLoader& ModuleLoaderInUse() {
    return g_loader != nullptr ? *g_loader : SystemModuleLoader();
}

const ModuleLoader* UseModuleLoader(const ModuleLoader* loader) {
    const ModuleLoader* previous = &ModuleLoaderInUse();
    g_loader = loader;
    return previous;
}

std::string Recode(CodePage from, CodePage to, const std::string& text) {
    return FromWide(to, ToWide(from, text.c_str()).c_str());
}

}  // namespace platform
