#include "host/validate/os/module_table.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <cxxabi.h>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

namespace host::validate {

bool ReadModuleTable(const std::string& file, ModuleTable* table, std::string* error) {
    if (elf_version(EV_CURRENT) == EV_NONE) return *error = "libelf is out of date", false;
    int descriptor = open(file.c_str(), O_RDONLY);
    if (descriptor < 0) return *error = "cannot open " + file, false;
    Elf* elf = elf_begin(descriptor, ELF_C_READ, nullptr);
    bool read = elf != nullptr && elf_kind(elf) == ELF_K_ELF;
    if (!read) *error = file + " is not an ELF file";
    for (Elf_Scn* section = nullptr; read && (section = elf_nextscn(elf, section)) != nullptr;) {
        GElf_Shdr header;
        if (gelf_getshdr(section, &header) == nullptr || header.sh_entsize == 0) continue;
        Elf_Data* data = elf_getdata(section, nullptr);
        if (data == nullptr) continue;
        size_t count = header.sh_size / header.sh_entsize;
        if (header.sh_type == SHT_DYNSYM) {
            for (size_t i = 1; i < count; ++i) {
                GElf_Sym symbol;
                if (gelf_getsym(data, static_cast<int>(i), &symbol) == nullptr) continue;
                int binding = GELF_ST_BIND(symbol.st_info);
                bool defined = symbol.st_shndx != SHN_UNDEF && symbol.st_shndx != SHN_ABS;
                if (!defined || (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE)) continue;
                const char* name = elf_strptr(elf, header.sh_link, symbol.st_name);
                if (name != nullptr) table->exports.push_back(name);
            }
        } else if (header.sh_type == SHT_DYNAMIC) {
            for (size_t i = 0; i < count; ++i) {
                GElf_Dyn entry;
                if (gelf_getdyn(data, static_cast<int>(i), &entry) == nullptr || entry.d_tag != DT_NEEDED) continue;
                const char* name = elf_strptr(elf, header.sh_link, entry.d_un.d_val);
                if (name != nullptr) table->needs.push_back(name);
            }
        }
    }
    if (elf != nullptr) elf_end(elf);
    close(descriptor);
    return read;
}

namespace {

// The file open in libelf for the length of a use.
class ElfFile {
public:
    explicit ElfFile(const std::string& file) : descriptor_(open(file.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (descriptor_ >= 0 && elf_version(EV_CURRENT) != EV_NONE) elf_ = elf_begin(descriptor_, ELF_C_READ, nullptr);
    }
    ~ElfFile() {
        if (elf_ != nullptr) elf_end(elf_);
        if (descriptor_ >= 0) close(descriptor_);
    }
    ElfFile(const ElfFile&) = delete;
    ElfFile& operator=(const ElfFile&) = delete;
    bool opened() const { return descriptor_ >= 0; }
    Elf* elf() const { return elf_ != nullptr && elf_kind(elf_) == ELF_K_ELF ? elf_ : nullptr; }

private:
    int descriptor_;
    Elf* elf_ = nullptr;
};

}  // namespace

bool IsPluginFile(const std::string& file, std::string* error) {
    ElfFile elf(file);
    if (!elf.opened()) return *error = "cannot open " + file + ": " + std::strerror(errno), false;
    GElf_Ehdr header;
    if (elf.elf() == nullptr || gelf_getehdr(elf.elf(), &header) == nullptr) {
        return *error = file + " is not an ELF file", false;
    }
    if (gelf_getclass(elf.elf()) != ELFCLASS64 || header.e_machine != EM_X86_64) {
        return *error = file + " is an ELF file for another machine than x86-64", false;
    }
    if (header.e_type != ET_DYN) return *error = file + " is not a shared object", false;
    return true;
}

std::string FunctionAt(const std::string& file, uint64_t offset) {
    ElfFile elf(file);
    if (elf.elf() == nullptr) return "";
    std::string found;
    // The full symbol table where the file keeps one, else the dynamic one.
    for (Elf64_Word wanted : {SHT_SYMTAB, SHT_DYNSYM}) {
        for (Elf_Scn* section = nullptr; found.empty() && (section = elf_nextscn(elf.elf(), section)) != nullptr;) {
            GElf_Shdr header;
            if (gelf_getshdr(section, &header) == nullptr || header.sh_type != wanted || header.sh_entsize == 0) continue;
            Elf_Data* data = elf_getdata(section, nullptr);
            size_t count = header.sh_size / header.sh_entsize;
            for (size_t i = 1; data != nullptr && i < count; ++i) {
                GElf_Sym symbol;
                if (gelf_getsym(data, static_cast<int>(i), &symbol) == nullptr || GELF_ST_TYPE(symbol.st_info) != STT_FUNC) continue;
                if (offset < symbol.st_value || offset >= symbol.st_value + std::max<uint64_t>(symbol.st_size, 1)) continue;
                const char* name = elf_strptr(elf.elf(), header.sh_link, symbol.st_name);
                if (name != nullptr) found = name;
                break;
            }
        }
        if (!found.empty()) break;
    }
    int status = 0;
    char* demangled = found.empty() ? nullptr : abi::__cxa_demangle(found.c_str(), nullptr, nullptr, &status);
    if (demangled != nullptr) {
        found = demangled;
        std::free(demangled);
    }
    return found;
}

std::string ForeignDependency(const std::string& name) {
    for (const char* runtime : {"libc.so", "libm.so", "libdl.so", "libpthread.so", "librt.so", "libstdc++.so",
                                "libgcc_s.so", "ld-linux", "libasan.so", "libubsan.so"}) {
        if (name.rfind(runtime, 0) == 0) return "";
    }
    return "neither the C nor the C++ runtime";
}

}  // namespace host::validate
