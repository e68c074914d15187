#include "host/validate/os/module_table.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace host::validate {

bool ReadModuleTable(const std::string& file, ModuleTable* table, std::string* error) {
    // Mapped as an image, with neither its imports loaded nor its entry point run.
    HMODULE module = LoadLibraryExA(file.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (module == nullptr) return *error = "cannot map " + file, false;
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& exports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (exports.VirtualAddress != 0) {
        auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + exports.VirtualAddress);
        auto* names = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
        for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
            table->exports.push_back(reinterpret_cast<const char*>(base + names[i]));
        }
    }
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress != 0) {
        for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name != 0; ++dll) {
            table->needs.push_back(reinterpret_cast<const char*>(base + dll->Name));
        }
    }
    FreeLibrary(module);
    return true;
}

bool IsPluginFile(const std::string& file, std::string* error) {
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return *error = "cannot open " + file, false;
    // The DOS header names where the PE headers begin; both are read as the loader reads them.
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS64 nt{};
    DWORD count = 0;
    bool read = ReadFile(handle, &dos, sizeof dos, &count, nullptr) && count == sizeof dos &&
                dos.e_magic == IMAGE_DOS_SIGNATURE && dos.e_lfanew > 0 &&
                SetFilePointer(handle, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                ReadFile(handle, &nt, sizeof nt, &count, nullptr) && count == sizeof nt && nt.Signature == IMAGE_NT_SIGNATURE;
    CloseHandle(handle);
    if (!read) return *error = file + " is not a PE file", false;
    if (nt.FileHeader.Machine != IMAGE_FILE_MACHINE_AMD64) return *error = file + " is a PE file for another machine than x64", false;
    if ((nt.FileHeader.Characteristics & IMAGE_FILE_DLL) == 0) return *error = file + " is not a DLL", false;
    return true;
}

// A Windows crash report names the module and the offset; the function comes from the
// file's debug information (addr2line), which the program does not read.
std::string FunctionAt(const std::string&, uint64_t) { return ""; }

std::string ForeignDependency(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* runtime : {"libstdc++", "libgcc", "libwinpthread"}) {
        if (lower.find(runtime) != std::string::npos) return "a runtime DLL of the compiler, which a user does not have";
    }
    if (lower.rfind("api-ms-win-", 0) == 0) return "";
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "";
    std::string path = std::string(folder) + "\\" + name;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return "not a DLL of the system";
    return "";
}

}  // namespace host::validate
