#include "host/validate/module_table.h"

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

std::string ForeignDependency(const std::string& name) {
    for (const char* runtime : {"libc.so", "libm.so", "libdl.so", "libpthread.so", "librt.so", "libstdc++.so",
                                "libgcc_s.so", "ld-linux", "libasan.so", "libubsan.so"}) {
        if (name.rfind(runtime, 0) == 0) return "";
    }
    return "neither the C nor the C++ runtime";
}

}  // namespace host::validate
