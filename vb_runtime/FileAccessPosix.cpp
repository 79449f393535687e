// File access on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

namespace vb {

namespace {

int32_t ErrorNumberFor(int error) {
    switch (error) {
    case ENOENT: return ErrFileNotFound;
    case ENOTDIR: return ErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return ErrPermissionDenied;
    case ENOSPC:
    case EDQUOT: return ErrDiskFull;
    case EIO: return ErrDeviceIO;
    case ENOMEM: return ErrOutOfMemory;
    default: return ErrPathFileAccess;
    }
}

[[noreturn]] void ThrowErrno(int error, const Text& path) { throw VbError(ErrorNumberFor(error), DisplayPath(path)); }

bool EqualsNoCaseBytes(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (FoldAscii(static_cast<unsigned char>(a[i])) != FoldAscii(static_cast<unsigned char>(b[i]))) return false;
    }
    return i == a.size() && b[i] == '\0';
}

// The entry of `folder` whose name equals `name` without regard to case (the
// smallest such name when several do), or an empty string.
std::string FindNoCase(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return {};
    std::string best;
    while (const dirent* entry = readdir(dir)) {
        if (EqualsNoCaseBytes(name, entry->d_name) && (best.empty() || best > entry->d_name)) best = entry->d_name;
    }
    closedir(dir);
    return best;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A temporary file next to the target, removed unless it was moved into
// place. Where the system allows, it has no name until the moment before the
// rename, so a process killed while writing leaves nothing behind.
class TemporaryFile {
public:
    TemporaryFile(const std::string& folder, const std::string& baseName)
        : prefix_(folder + "/." + baseName + ".trapwright-") {
#ifdef O_TMPFILE
        if (access("/proc/self/fd", X_OK) == 0) {
            fd_ = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
            if (fd_ >= 0) return;
        }
#endif
        path_ = prefix_ + "XXXXXX";
        fd_ = mkstemp(path_.data());
        named_ = fd_ >= 0;
    }
    ~TemporaryFile() {
        if (fd_ >= 0) close(fd_);
        if (named_ && !committed_) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }

    /// Closes the file and renames it to `target`; returns false with errno set.
    bool MoveTo(const std::string& target) {
        if (!named_ && !GiveName()) return false;
        const int closed = close(fd_);
        fd_ = -1;
        if (closed != 0 || rename(path_.c_str(), target.c_str()) != 0) return false;
        committed_ = true;
        return true;
    }

private:
    // Links the unnamed file into the folder under a fresh hidden name.
    bool GiveName() {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = prefix_ + std::to_string(getpid()) + "-" + std::to_string(attempt);
            if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                named_ = true;
                return true;
            }
            if (errno != EEXIST) return false;
        }
        return false;
    }

    std::string prefix_;
    std::string path_;
    int fd_ = -1;
    bool named_ = false;
    bool committed_ = false;
};

void WriteAll(int fd, std::string_view bytes, const Text& path) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno, path);
        }
        done += static_cast<size_t>(written);
    }
}

mode_t CreationMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The file that a write to `path` really replaces: the target of a symbolic
// link, else the mapped path itself.
std::string WriteTarget(const Text& path) {
    std::string target = NativePath(path);
    struct stat st;
    if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(target.c_str(), resolved) == nullptr) ThrowErrno(errno, path);
        target = resolved;
    }
    return target;
}

// Checks that `target` can be replaced; fills `st`/`exists` for the write.
void CheckTarget(const std::string& target, const Text& path, struct stat& st, bool& exists) {
    exists = stat(target.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) throw VbError(ErrPathFileAccess, DisplayPath(path));
        // A file without any write bit is read-only, also for the superuser.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(target.c_str(), W_OK) != 0) {
            throw VbError(ErrPermissionDenied, DisplayPath(path));
        }
    } else if (errno != ENOENT) {
        ThrowErrno(errno, path);
    }
    const std::string folder = FolderOf(target);
    struct stat folderStat;
    if (stat(folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode)) {
        throw VbError(ErrPathNotFound, DisplayPath(path));
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) throw VbError(ErrPermissionDenied, DisplayPath(path));
}

}  // namespace

std::string DisplayPath(const Text& path) { return ToUtf8(path); }

NativePathString NativePath(const Text& path) {
    std::string written = ToUtf8(path);
    for (char& c : written) {
        if (c == '\\') c = '/';
    }
    if (written.empty() || Exists(written)) return written;

    // Walk the components; one that does not exist as written is looked up
    // without regard to case, as Windows would find it.
    std::string resolved = written[0] == '/' ? "/" : "";
    size_t from = resolved.size();
    while (from <= written.size()) {
        size_t slash = written.find('/', from);
        if (slash == std::string::npos) slash = written.size();
        const std::string component = written.substr(from, slash - from);
        from = slash + 1;
        if (component.empty()) continue;
        std::string candidate = resolved + component;
        if (!Exists(candidate)) {
            const std::string found = FindNoCase(resolved, component);
            if (found.empty()) {
                // Nothing matches: keep the rest as written.
                return from <= written.size() ? candidate + "/" + written.substr(from) : candidate;
            }
            candidate = resolved + found;
        }
        resolved = from <= written.size() ? candidate + "/" : candidate;
    }
    return resolved;
}

bool PathExists(const Text& path) { return Exists(NativePath(path)); }

bool IsOrdinaryFile(const Text& path) {
    const std::string native = NativePath(path);
    struct stat st;
    if (stat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    const std::string name = BaseNameOf(native);
    return !name.empty() && name[0] != '.';
}

uint64_t FileLength(const Text& path) {
    struct stat st;
    if (stat(NativePath(path).c_str(), &st) != 0) ThrowErrno(errno, path);
    if (S_ISDIR(st.st_mode)) throw VbError(ErrPathFileAccess, DisplayPath(path));
    return static_cast<uint64_t>(st.st_size);
}

std::string ReadFileBytes(const Text& path) {
    const int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowErrno(errno, path);
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat st;
    if (fstat(fd, &st) != 0) ThrowErrno(errno, path);
    if (S_ISDIR(st.st_mode)) throw VbError(ErrPathFileAccess, DisplayPath(path));
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno, path);
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    return bytes;
}

void CheckWritable(const Text& path) {
    struct stat st;
    bool exists = false;
    CheckTarget(WriteTarget(path), path, st, exists);
}

void WriteFileBytes(const Text& path, std::string_view bytes) {
    const std::string target = WriteTarget(path);
    struct stat st;
    bool exists = false;
    CheckTarget(target, path, st, exists);

    TemporaryFile temporary(FolderOf(target), BaseNameOf(target));
    if (temporary.fd() < 0) ThrowErrno(errno, path);
    WriteAll(temporary.fd(), bytes, path);
    const mode_t mode = exists ? (st.st_mode & 07777) : CreationMode();
    if (fchmod(temporary.fd(), mode) != 0) ThrowErrno(errno, path);
    if (exists && geteuid() == 0) {
        // Keep the owner when the superuser rewrites another user's file.
        [[maybe_unused]] const int ignored = fchown(temporary.fd(), st.st_uid, st.st_gid);
    }
    if (fsync(temporary.fd()) != 0) ThrowErrno(errno, path);
    // The data was flushed before the rename, so after a crash the target is
    // either its old or its new content, whichever the folder records.
    if (!temporary.MoveTo(target)) ThrowErrno(errno, path);
}

}  // namespace vb
