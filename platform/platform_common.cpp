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

std::string ProgramFolder() {
    std::string program = ProgramFile();
    size_t separator = program.find_last_of("/\\");
    return separator == std::string::npos ? std::string() : program.substr(0, separator + 1);
}

std::string Recode(CodePage from, CodePage to, const std::string& text) {
    return FromWide(to, ToWide(from, text.c_str()).c_str());
}

}  // namespace platform
