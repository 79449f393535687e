// File access on Windows, through the wide-character API.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "vb_runtime/FileAccess.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/VbError.h"

namespace vb {

namespace {

int32_t ErrorNumberFor(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return ErrFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return ErrPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return ErrPermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ErrDiskFull;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ErrOutOfMemory;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return ErrDeviceIO;
    default: return ErrPathFileAccess;
    }
}

[[noreturn]] void ThrowLastError(const Text& path) { throw VbError(ErrorNumberFor(GetLastError()), DisplayPath(path)); }

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (Valid()) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    return path.substr(0, slash + 1);
}

// The file that a write to `path` really replaces: the target of a symbolic
// link, else the path itself.
std::wstring WriteTarget(const Text& path) {
    std::wstring target = NativePath(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return target;
    Handle file(CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) ThrowLastError(path);
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetFinalPathNameByHandleW(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (length == 0 || length >= buffer.size()) ThrowLastError(path);
    return std::wstring(buffer.data(), length);
}

void CheckTarget(const std::wstring& target, const Text& path, DWORD& attributes) {
    attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) throw VbError(ErrPathFileAccess, DisplayPath(path));
        if (attributes & FILE_ATTRIBUTE_READONLY) throw VbError(ErrPermissionDenied, DisplayPath(path));
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        ThrowLastError(path);
    }
    const DWORD folder = GetFileAttributesW(FolderOf(target).c_str());
    if (folder == INVALID_FILE_ATTRIBUTES || (folder & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        throw VbError(ErrPathNotFound, DisplayPath(path));
    }
}

}  // namespace

std::string DisplayPath(const Text& path) { return ToUtf8(path); }

NativePathString NativePath(const Text& path) { return std::wstring(path.begin(), path.end()); }

bool PathExists(const Text& path) { return GetFileAttributesW(NativePath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsOrdinaryFile(const Text& path) {
    const DWORD attributes = GetFileAttributesW(NativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

uint64_t FileLength(const Text& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(NativePath(path).c_str(), GetFileExInfoStandard, &data)) ThrowLastError(path);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) throw VbError(ErrPathFileAccess, DisplayPath(path));
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string ReadFileHead(const Text& path, size_t limit) {
    Handle file(CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) ThrowLastError(path);
    std::string bytes(limit, '\0');
    size_t done = 0;
    while (done < limit) {
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(limit - done, size_t{1} << 30));
        if (!ReadFile(file.Get(), bytes.data() + done, wanted, &got, nullptr)) ThrowLastError(path);
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

std::string ReadFileBytes(const Text& path) {
    Handle file(CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) ThrowLastError(path);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) ThrowLastError(path);
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    return bytes;
}

void CheckWritable(const Text& path) {
    DWORD attributes = 0;
    CheckTarget(WriteTarget(path), path, attributes);
}

struct PendingWrite::State {
    Text path;
    std::wstring target;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;  // the target's, if it exists
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;  // open until flushed
    bool moved = false;
    std::optional<VbError> flushFailure;  // the first failed flush, reported again by every later one

    ~State() {
        CloseFile();
        if (!moved && !temporary.empty()) DeleteFileW(temporary.c_str());
    }
    bool CloseFile() {
        if (file == INVALID_HANDLE_VALUE) return true;
        const bool closed = CloseHandle(file) != 0;
        file = INVALID_HANDLE_VALUE;
        return closed;
    }
};

PendingWrite::PendingWrite(const Text& path, std::string_view bytes) : PendingWrite(path) {
    Append(bytes);
    Seal();
}

PendingWrite::PendingWrite(const Text& path) : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.path = path;
    state.target = WriteTarget(path);
    CheckTarget(state.target, path, state.attributes);

    wchar_t temporary[MAX_PATH + 1];
    if (GetTempFileNameW(FolderOf(state.target).c_str(), L"~tw", 0, temporary) == 0) ThrowLastError(path);
    state.temporary = temporary;
    state.file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (state.file == INVALID_HANDLE_VALUE) ThrowLastError(path);
}

void PendingWrite::Append(std::string_view bytes) {
    State& state = *state_;
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(state.file, bytes.data() + done, chunk, &written, nullptr)) ThrowLastError(state.path);
        done += written;
    }
}

// The attributes are the target's already when the temporary file takes its place.
void PendingWrite::Seal() {}

PendingWrite::~PendingWrite() = default;
PendingWrite::PendingWrite(PendingWrite&&) noexcept = default;
PendingWrite& PendingWrite::operator=(PendingWrite&&) noexcept = default;

void PendingWrite::Flush() {
    State& state = *state_;
    if (state.flushFailure) throw *state.flushFailure;
    if (state.file == INVALID_HANDLE_VALUE) return;
    if (!FlushFileBuffers(state.file) || !state.CloseFile()) {
        const DWORD error = GetLastError();
        state.flushFailure = VbError(ErrorNumberFor(error), DisplayPath(state.path));
        throw *state.flushFailure;
    }
}

void PendingWrite::Commit() {
    State& state = *state_;
    // The target is checked again: it may have turned read-only since.
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    CheckTarget(state.target, state.path, attributes);
    Flush();
    if (state.attributes != INVALID_FILE_ATTRIBUTES) {
        // ReplaceFileW keeps the target's attributes, security and streams.
        if (ReplaceFileW(state.target.c_str(), state.temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                         nullptr, nullptr)) {
            state.moved = true;
            return;
        }
    }
    if (!MoveFileExW(state.temporary.c_str(), state.target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowLastError(state.path);
    }
    state.moved = true;
    if (state.attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(state.target.c_str(), state.attributes);
}

void PendingWrite::FlushAll(const std::vector<PendingWrite*>& writes) {
    for (PendingWrite* write : writes) write->Flush();
}

void WriteFileBytes(const Text& path, std::string_view bytes) { PendingWrite(path, bytes).Commit(); }

}  // namespace vb
