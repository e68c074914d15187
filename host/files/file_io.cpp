#include "host/files/file_io.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <windows.h>

#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace host {
namespace {

namespace fs = std::filesystem;

// What names one file whatever path reaches it: device and inode, or on Windows the
// volume's serial number and the file id.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t file = 0;
    bool operator==(const FileIdentity& other) const { return device == other.device && file == other.file; }
};

struct KeptFile {
    FileIdentity identity;
    std::string what;
};

std::vector<KeptFile>& KeptFiles() {
    static std::vector<KeptFile> kept;
    return kept;
}

// The file at the end of `file`'s symbolic links, and what the write found there.
struct Target {
    std::string path;
    bool exists = false;
    bool plain = false;      // a regular file (or nothing yet)
    bool read_only = false;  // the user may not write it, or it is marked read-only
    FileIdentity identity;
#if !defined(_WIN32)
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
#endif
};

#if defined(_WIN32)

bool Identify(const std::string& file, FileIdentity* identity) {
    HANDLE handle = CreateFileA(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information{};
    bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    if (!known) return false;
    identity->device = information.dwVolumeSerialNumber;
    identity->file = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return true;
}

void Examine(Target* target) {
    DWORD attributes = GetFileAttributesA(target->path.c_str());
    target->exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!target->exists) {
        target->plain = true;
        return;
    }
    target->plain = (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    target->read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    Identify(target->path, &target->identity);
}

// Windows keeps the permissions of a replaced file with the folder's; nothing to carry.
bool KeepWhatTheFileWas(std::FILE*, const Target&) { return true; }

bool SyncToDisk(std::FILE* stream) { return _commit(_fileno(stream)) == 0; }

#else

bool Identify(const std::string& file, FileIdentity* identity) {
    struct stat status {};
    if (stat(file.c_str(), &status) != 0) return false;
    identity->device = static_cast<uint64_t>(status.st_dev);
    identity->file = static_cast<uint64_t>(status.st_ino);
    return true;
}

void Examine(Target* target) {
    struct stat status {};
    target->exists = stat(target->path.c_str(), &status) == 0;
    if (!target->exists) {
        target->plain = true;
        return;
    }
    target->plain = S_ISREG(status.st_mode);
    // The owner's write bit is how a file is marked read-only, even for a user (root)
    // whom the system would let write it.
    target->read_only = (status.st_mode & S_IWUSR) == 0 || access(target->path.c_str(), W_OK) != 0;
    target->identity = {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
    target->mode = status.st_mode & 07777;
    target->owner = status.st_uid;
    target->group = status.st_gid;
}

// Gives the temporary the target's owner, group and permission bits before it replaces
// the target. The owner and group are kept where the system allows (root, or a group the
// user is in); the bits always, after the owner, which may clear the set-id bits.
bool KeepWhatTheFileWas(std::FILE* stream, const Target& target) {
    if (!target.exists) return true;
    int descriptor = fileno(stream);
    if (fchown(descriptor, target.owner, target.group) != 0) {
        int ignored = fchown(descriptor, static_cast<uid_t>(-1), target.group);
        (void)ignored;
    }
    return fchmod(descriptor, target.mode) == 0;
}

bool SyncToDisk(std::FILE* stream) { return fsync(fileno(stream)) == 0; }

#endif

// Follows `file`'s symbolic links to the file they end at; false with `error` set when
// they go round in a circle or cannot be read.
bool FollowLinks(const std::string& file, std::string* target, std::string* error) {
    constexpr int kMostLinks = 40;  // as many as the system itself follows
    fs::path path = file;
    for (int links = 0;; ++links) {
        std::error_code code;
        if (!fs::is_symlink(fs::symlink_status(path, code))) break;
        if (links == kMostLinks) {
            *error = file + " is a symbolic link that leads round in a circle";
            return false;
        }
        fs::path next = fs::read_symlink(path, code);
        if (code) {
            *error = "cannot follow the symbolic link " + path.string() + ": " + code.message();
            return false;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    *target = path.string();
    return true;
}

const KeptFile* FindKept(const std::string& file) {
    FileIdentity identity;
    if (KeptFiles().empty() || !Identify(file, &identity)) return nullptr;
    for (const KeptFile& kept : KeptFiles()) {
        if (kept.identity == identity) return &kept;
    }
    return nullptr;
}

// The file that a write of `file` replaces, examined; false with `error` set when the write
// is refused: links in a circle, a kept file, not a plain file, a read-only file.
bool FindTarget(const std::string& file, Target* target, std::string* error) {
    if (!FollowLinks(file, &target->path, error)) return false;
    Examine(target);
    std::string named = target->path == file ? file : file + " (a link to " + target->path + ")";
    if (const KeptFile* kept = target->exists ? FindKept(target->path) : nullptr) {
        *error = named + " is " + kept->what + "; name another file to save elsewhere";
        return false;
    }
    if (!target->plain) {
        *error = named + " is not a plain file; name another file to save elsewhere";
        return false;
    }
    if (target->read_only) {
        *error = named + " is read-only, so it is left as it is; name another file to save elsewhere";
        return false;
    }
    return true;
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
    Target target;
    if (!FindTarget(file, &target, error)) return false;

    std::string temporary = target.path + ".tmp";
    std::FILE* stream = std::fopen(temporary.c_str(), "wb");
    if (stream == nullptr) {
        *error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(content.data(), 1, content.size(), stream) == content.size() &&
                   std::fflush(stream) == 0 && KeepWhatTheFileWas(stream, target) && SyncToDisk(stream);
    written = std::fclose(stream) == 0 && written;
    std::error_code fs_error;
    if (!written) {
        std::filesystem::remove(temporary, fs_error);
        *error = "cannot write " + temporary;
        return false;
    }
    std::filesystem::rename(temporary, target.path, fs_error);
    if (fs_error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        *error = "cannot replace " + target.path + ": " + fs_error.message();
        return false;
    }
    return true;
}

std::string WhyNotWritable(const std::string& file) {
    Target target;
    std::string why;
    if (!FindTarget(file, &target, &why)) return why;
    fs::path folder = fs::path(target.path).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code error;
    if (!fs::is_directory(folder, error)) return "there is no folder " + folder.string();
    // The folder is tried with the temporary that a write makes there, removed again.
    std::string probe = target.path + ".tmp";
    bool existed = fs::exists(probe, error);
    std::FILE* stream = std::fopen(probe.c_str(), "ab");
    if (stream == nullptr) return "cannot write in the folder " + folder.string() + ": " + std::strerror(errno);
    std::fclose(stream);
    if (!existed) fs::remove(probe, error);
    return "";
}

void KeepUnwritten(const std::string& file, const std::string& what) {
    FileIdentity identity;
    if (Identify(file, &identity)) KeptFiles().push_back({identity, what});
}

bool IsKeptUnwritten(const std::string& file, std::string* what) {
    const KeptFile* kept = FindKept(file);
    if (kept != nullptr && what != nullptr) *what = kept->what;
    return kept != nullptr;
}

void ForgetKeptFiles() { KeptFiles().clear(); }

}  // namespace host
