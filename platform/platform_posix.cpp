// POSIX implementation of the platform layer: dlopen, UTF-8 as the narrow encoding, and a
// recursive mutex.
#include <dlfcn.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <mutex>
#include <new>

#include "platform/platform.h"

namespace platform {
namespace {

Module LoadWithDl(const char* file) {
    if (file == nullptr) return nullptr;
    return dlopen(file, RTLD_NOW | RTLD_LOCAL);
}

void* FindWithDl(Module module, const char* name) { return dlsym(module, name); }

void ReleaseWithDl(Module module) { dlclose(module); }

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `s`, advancing it; ill-formed sequences (overlong,
// surrogates, beyond U+10FFFF, truncated) give U+FFFD and consume one maximal subpart.
char32_t DecodeUtf8(const unsigned char*& s) {
    unsigned char lead = *s++;
    if (lead < 0x80) return lead;
    int length;
    char32_t code;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 1;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 2;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 3;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return kReplacement;
    }
    for (int i = 0; i < length; ++i) {
        unsigned char c = *s;
        if (c < low || c > high) return kReplacement;  // leaves `c` for the next round
        code = (code << 6) | (c & 0x3F);
        ++s;
        low = 0x80;
        high = 0xBF;
    }
    return code;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

const ModuleLoader& SystemModuleLoader() {
    static const ModuleLoader loader{LoadWithDl, FindWithDl, ReleaseWithDl};
    return loader;
}

std::string ModuleFileOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
}

std::string ProgramFile() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length <= 0 ? std::string() : std::string(path, static_cast<size_t>(length));
}

const char* ModuleSuffix() { return ".so"; }

WideString ToWide(CodePage, const char* text) {
    WideString out;
    if (text == nullptr) return out;
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    while (*s != 0) {
        char32_t c = DecodeUtf8(s);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<WideChar>(0xD800 + (c >> 10));
            out += static_cast<WideChar>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<WideChar>(c);
        }
    }
    return out;
}

std::string FromWide(CodePage, const WideChar* text) {
    std::string out;
    if (text == nullptr) return out;
    for (const WideChar* s = text; *s != 0; ++s) {
        char32_t c = *s;
        if (c >= 0xD800 && c <= 0xDBFF && s[1] >= 0xDC00 && s[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[1] - 0xDC00);
            ++s;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;  // a lone surrogate
        }
        AppendUtf8(out, c);
    }
    return out;
}

int32_t WideToInt(const WideChar* text) {
    if (text == nullptr) return 0;
    const WideChar* s = text;
    while (*s == u' ' || (*s >= u'\t' && *s <= u'\r')) ++s;
    bool negative = false;
    if (*s == u'+' || *s == u'-') negative = (*s++ == u'-');
    int64_t value = 0;
    for (; *s >= u'0' && *s <= u'9'; ++s) {
        value = value * 10 + (*s - u'0');
        if (value > INT64_C(0x80000000)) value = INT64_C(0x80000000);  // saturate, keep reading
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

WideString IntToWide(int32_t value) {
    char narrow[64];
    std::snprintf(narrow, sizeof narrow, "%d", value);
    return WideString(narrow, narrow + std::char_traits<char>::length(narrow));
}

std::string SettingsSectionName(uint32_t product, uint32_t id) {
    char name[64];
    std::snprintf(name, sizeof name, "Plugin-%08X-%08X", product, id);
    return name;
}

void UseUserCharacterLocale() { std::setlocale(LC_CTYPE, ""); }

static_assert(sizeof(std::recursive_mutex) <= 64, "lock storage too small");

Lock::Lock() { new (storage_) std::recursive_mutex(); }
Lock::~Lock() { std::launder(reinterpret_cast<std::recursive_mutex*>(storage_))->~recursive_mutex(); }
void Lock::Enter() { std::launder(reinterpret_cast<std::recursive_mutex*>(storage_))->lock(); }
void Lock::Leave() { std::launder(reinterpret_cast<std::recursive_mutex*>(storage_))->unlock(); }

std::string LastModuleError() {
    const char* error = dlerror();
    return error != nullptr ? error : "";
}

}  // namespace platform
