#include "host/files/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace host {
namespace {

// Flushes the file's data to the disk, so that the rename that follows cannot land
// before the data it names.
bool SyncToDisk(std::FILE* stream) {
#if defined(_WIN32)
    return _commit(_fileno(stream)) == 0;
#else
    return fsync(fileno(stream)) == 0;
#endif
}

}  // namespace

bool ReadWholeFile(const std::string& file, std::string* content, std::string* error) {
    std::FILE* stream = std::fopen(file.c_str(), "rb");
    if (stream == nullptr) {
        *error = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0) content->append(buffer, count);
    bool failed = std::ferror(stream) != 0;
    std::fclose(stream);
    if (failed) *error = "read error";
    return !failed;
}

bool WriteFileAtomically(const std::string& file, const std::string& content, std::string* error) {
    std::string temporary = file + ".tmp";
    std::FILE* stream = std::fopen(temporary.c_str(), "wb");
    if (stream == nullptr) {
        *error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(content.data(), 1, content.size(), stream) == content.size() &&
                   std::fflush(stream) == 0 && SyncToDisk(stream);
    written = std::fclose(stream) == 0 && written;
    std::error_code fs_error;
    if (!written) {
        std::filesystem::remove(temporary, fs_error);
        *error = "cannot write " + temporary;
        return false;
    }
    std::filesystem::rename(temporary, file, fs_error);
    if (fs_error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        *error = "cannot replace " + file + ": " + fs_error.message();
        return false;
    }
    return true;
}

}  // namespace host
