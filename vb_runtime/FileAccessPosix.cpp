// File access on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <exception>
#include <optional>
#include <thread>
#include <vector>

#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/MemoryAdvice.h"
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

// How many temporary files may stay open at once: an unnamed one must stay
// open until it takes its target's place, and a run may have hundreds. The
// limit is raised as far as the system allows; beyond it, a temporary file
// is given a hidden name and closed.
size_t OpenTemporaryFilesAllowed() {
    static const size_t allowed = [] {
        struct rlimit limit;
        if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return size_t{0};
        if (limit.rlim_cur < limit.rlim_max) {
            struct rlimit raised = limit;
            raised.rlim_cur = limit.rlim_max == RLIM_INFINITY ? 65536 : std::min<rlim_t>(limit.rlim_max, 65536);
            if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
        }
        return limit.rlim_cur > 256 ? static_cast<size_t>(limit.rlim_cur - 128) : size_t{0};
    }();
    return allowed;
}

std::atomic<size_t> openTemporaryFiles{0};

// A temporary file next to the target, removed unless it was moved into
// place. Where the system allows, it has no name until the moment before the
// rename, so a process killed while writing leaves nothing behind.
class TemporaryFile {
public:
    TemporaryFile(const std::string& folder, const std::string& baseName)
        : prefix_(folder + "/." + baseName + ".trapwright-") {
#ifdef O_TMPFILE
        static const bool canNameLater = access("/proc/self/fd", X_OK) == 0;
        if (canNameLater && openTemporaryFiles < OpenTemporaryFilesAllowed()) {
            fd_ = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
            if (fd_ >= 0) {
                ++openTemporaryFiles;
                return;
            }
        }
#endif
        path_ = prefix_ + "XXXXXX";
        fd_ = mkstemp(path_.data());
        named_ = fd_ >= 0;
        if (fd_ >= 0) ++openTemporaryFiles;
    }
    ~TemporaryFile() {
        CloseFile();
        if (named_ && !committed_) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }

    /// Gives the file a name and closes it, when too many are open; false with errno set.
    bool Park() {
        if (fd_ < 0 || openTemporaryFiles < OpenTemporaryFilesAllowed()) return true;
        if (!named_ && !GiveName()) return false;
        return CloseFile() == 0;
    }

    /// Flushes the file's data to the disk; false with errno set.
    bool Sync() {
        if (fd_ >= 0) return fdatasync(fd_) == 0;
        const int fd = open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool synced = fdatasync(fd) == 0;
        const int error = errno;
        close(fd);
        errno = error;
        return synced;
    }

    /// The device the file lives on.
    dev_t Device() const {
        struct stat st;
        if (fd_ >= 0 ? fstat(fd_, &st) == 0 : stat(path_.c_str(), &st) == 0) return st.st_dev;
        return 0;
    }

    /// Closes the file and renames it to `target`; returns false with errno set.
    bool MoveTo(const std::string& target) {
        if (!named_ && !GiveName()) return false;
        if (CloseFile() != 0 || rename(path_.c_str(), target.c_str()) != 0) return false;
        committed_ = true;
        return true;
    }

private:
    int CloseFile() {
        if (fd_ < 0) return 0;
        const int closed = close(fd_);
        fd_ = -1;
        --openTemporaryFiles;
        return closed;
    }

    // Links the unnamed file into the folder under a fresh hidden name.
    bool GiveName() {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = prefix_ + std::to_string(getpid()) + "-" + std::to_string(counter_++);
            if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                named_ = true;
                return true;
            }
            if (errno != EEXIST) return false;
        }
        return false;
    }

    static inline std::atomic<unsigned> counter_{0};
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

std::string DisplayPath(const Text& path) {
    // "\" is a separator here, as it is when the file is accessed: messages
    // show one separator, whichever the project file wrote.
    std::string shown = ToUtf8(path);
    for (char& c : shown) {
        if (c == '\\') c = '/';
    }
    return shown;
}

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

namespace {

// A file opened for reading, closed when it goes.
class ReadHandle {
public:
    explicit ReadHandle(const Text& path) : path_(path), fd_(open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ < 0) ThrowErrno(errno, path);
    }
    ~ReadHandle() { close(fd_); }
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;
    int Fd() const { return fd_; }

    // Reads into bytes[done, bytes.size()) until it is full or the file
    // ends; returns how many bytes the buffer holds then.
    size_t ReadInto(std::string& bytes, size_t done) const {
        while (done < bytes.size()) {
            const ssize_t got = read(fd_, bytes.data() + done, bytes.size() - done);
            if (got < 0) {
                if (errno == EINTR) continue;
                ThrowErrno(errno, path_);
            }
            if (got == 0) break;
            done += static_cast<size_t>(got);
        }
        return done;
    }

private:
    const Text& path_;
    int fd_;
};

}  // namespace

std::string ReadFileHead(const Text& path, size_t limit) {
    const ReadHandle file(path);
    std::string bytes(limit, '\0');
    bytes.resize(file.ReadInto(bytes, 0));
    return bytes;
}

std::string ReadFileBytes(const Text& path) {
    const ReadHandle file(path);
    struct stat st;
    if (fstat(file.Fd(), &st) != 0) ThrowErrno(errno, path);
    if (S_ISDIR(st.st_mode)) throw VbError(ErrPathFileAccess, DisplayPath(path));
    // Read straight into the result; a file that grows meanwhile is read to
    // its end all the same.
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size) + 1);
    PreferHugePages(bytes.data(), bytes.capacity());
    bytes.resize(static_cast<size_t>(st.st_size) + 1);
    size_t done = 0;
    while ((done = file.ReadInto(bytes, done)) == bytes.size()) bytes.resize(bytes.size() * 2);
    bytes.resize(done);
    return bytes;
}

void CheckWritable(const Text& path) {
    struct stat st;
    bool exists = false;
    CheckTarget(WriteTarget(path), path, st, exists);
}

struct PendingWrite::State {
    State(const Text& path, const std::string& target)
        : path(path), target(target), temporary(FolderOf(target), BaseNameOf(target)) {}
    Text path;
    std::string target;
    TemporaryFile temporary;
    mode_t mode = 0;           // the permissions the content gets when sealed
    bool keepOwner = false;    // the superuser rewrites another user's file: keep its owner
    uid_t owner = 0;
    gid_t group = 0;
    bool sealed = false;
    bool flushed = false;
    std::optional<VbError> flushFailure;  // the first failed flush, reported again by every later one
};

PendingWrite::PendingWrite(const Text& path, std::string_view bytes) : PendingWrite(path) {
    Append(bytes);
    Seal();
}

PendingWrite::PendingWrite(const Text& path) {
    const std::string target = WriteTarget(path);
    struct stat st;
    bool exists = false;
    CheckTarget(target, path, st, exists);

    state_ = std::make_unique<State>(path, target);
    if (state_->temporary.fd() < 0) ThrowErrno(errno, path);
    state_->mode = exists ? (st.st_mode & 07777) : CreationMode();
    if (exists && geteuid() == 0) {
        state_->keepOwner = true;
        state_->owner = st.st_uid;
        state_->group = st.st_gid;
    }
}

void PendingWrite::Append(std::string_view bytes) { WriteAll(state_->temporary.fd(), bytes, state_->path); }

void PendingWrite::Seal() {
    State& state = *state_;
    if (state.sealed) return;
    TemporaryFile& temporary = state.temporary;
    if (fchmod(temporary.fd(), state.mode) != 0) ThrowErrno(errno, state.path);
    if (state.keepOwner) {
        [[maybe_unused]] const int ignored = fchown(temporary.fd(), state.owner, state.group);
    }
#ifdef SYNC_FILE_RANGE_WRITE
    // Start writing the data out now, while the run goes on with other
    // files; the flush before the rename then has little left to wait for.
    sync_file_range(temporary.fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    if (!temporary.Park()) ThrowErrno(errno, state.path);
    state.sealed = true;
}

PendingWrite::~PendingWrite() = default;
PendingWrite::PendingWrite(PendingWrite&&) noexcept = default;
PendingWrite& PendingWrite::operator=(PendingWrite&&) noexcept = default;

void PendingWrite::Flush() {
    if (state_->flushed) return;
    if (state_->flushFailure) throw *state_->flushFailure;
    Seal();
    if (!state_->temporary.Sync()) {
        // The system reports a failed write back once: a second flush could
        // succeed without the data being on the disk.
        const int error = errno;
        state_->flushFailure = VbError(ErrorNumberFor(error), DisplayPath(state_->path));
        throw *state_->flushFailure;
    }
    state_->flushed = true;
}

void PendingWrite::Commit() {
    // The target is checked again: it may have turned read-only since.
    struct stat st;
    bool exists = false;
    CheckTarget(state_->target, state_->path, st, exists);
    // The data was flushed before the rename, so after a crash the target is
    // either its old or its new content, whichever the folder records.
    Flush();
    if (!state_->temporary.MoveTo(state_->target)) ThrowErrno(errno, state_->path);
}

void PendingWrite::FlushAll(const std::vector<PendingWrite*>& writes) {
    // Each file's own flush, several at once: the disk takes them together,
    // and nothing else of the file system is flushed along with them.
    const size_t threads = std::min<size_t>(writes.size(), 4);
    if (threads <= 1) {
        for (PendingWrite* write : writes) write->Flush();
        return;
    }
    std::atomic<size_t> next{0};
    std::vector<std::exception_ptr> failures(writes.size());
    auto flush = [&] {
        for (size_t k; (k = next++) < writes.size();) {
            try {
                writes[k]->Flush();
            } catch (...) {
                failures[k] = std::current_exception();
            }
        }
    };
    std::vector<std::thread> workers;
    for (size_t t = 1; t < threads; ++t) workers.emplace_back(flush);
    flush();
    for (std::thread& worker : workers) worker.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
}

void WriteFileBytes(const Text& path, std::string_view bytes) { PendingWrite(path, bytes).Commit(); }

}  // namespace vb
