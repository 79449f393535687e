// File access: ordinary-file lookup, whole-file reads as bytes, and writes
// that replace a file in one step so that it is never left half-written.
//
// On POSIX, paths written on Windows are mapped when the file system is
// accessed: "\" is taken as "/", and a path component that does not exist as
// written is looked up without regard to case. The Text paths held by the
// classes are never changed; only the access maps them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vb_runtime/Text.h"

namespace vb {

#ifdef _WIN32
using NativePathString = std::wstring;
#else
using NativePathString = std::string;
#endif

/// The path as the file system is asked for it (see the banner).
NativePathString NativePath(const Text& path);

/// True when the path names an ordinary file: it exists and is neither a
/// folder nor hidden or system (on POSIX: a name starting with "." is hidden).
bool IsOrdinaryFile(const Text& path);

/// True when something (file, folder, link) exists at the path.
bool PathExists(const Text& path);

/// The file's length in bytes. Throws VbError (53, 70, 75, …) with the path.
uint64_t FileLength(const Text& path);

/// The file's whole content. Throws VbError with the path when it cannot be
/// opened or read (53 missing, 70 access denied, 75 a folder, 57 I/O).
std::string ReadFileBytes(const Text& path);

/// The file's first `limit` bytes, or all of them when it is shorter.
/// Throws like ReadFileBytes.
std::string ReadFileHead(const Text& path, size_t limit);

/// Creates the file or replaces its content with `bytes`, in one step: the
/// bytes go to a temporary file in the same folder, which is flushed and then
/// takes the target's place. The target's permissions (attributes on
/// Windows) are kept, a symbolic link is written through to its target, and no
/// temporary file is left behind. Throws VbError before anything changes:
/// 70 for a read-only target or a folder that cannot be written, 75 when the
/// target is a folder, 76 when the folder does not exist, 61 when the disk
/// is full.
void WriteFileBytes(const Text& path, std::string_view bytes);

/// Throws the error that WriteFileBytes would throw before writing, without
/// writing anything: the target (if it exists) and its folder can be written.
void CheckWritable(const Text& path);

/// WriteFileBytes in two halves, so that a run can write the new content of
/// every file before any of them takes its target's place: the constructor
/// writes the bytes to a temporary file in the target's folder (one that no
/// other program sees, where the system allows), Flush puts them on the
/// disk, and Commit replaces the target with them in one step. A pending
/// write that is never committed leaves no trace when it is destroyed.
class PendingWrite {
public:
    /// Checks the target as WriteFileBytes does and writes the temporary
    /// file, with the target's permissions. Throws VbError (70, 75, 76, 61,
    /// …) when the target or its folder cannot be written; nothing changes.
    PendingWrite(const Text& path, std::string_view bytes);
    /// The same in steps, for content made a piece at a time: the
    /// constructor checks the target and opens the temporary file, Append
    /// adds bytes to it, Seal ends it. Each throws VbError as the one-step
    /// form would; nothing changes.
    explicit PendingWrite(const Text& path);
    void Append(std::string_view bytes);
    /// Gives the content the target's permissions and starts it on its way
    /// to the disk. Flush seals a write that is not sealed yet.
    void Seal();
    ~PendingWrite();
    PendingWrite(PendingWrite&&) noexcept;
    PendingWrite& operator=(PendingWrite&&) noexcept;
    PendingWrite(const PendingWrite&) = delete;
    PendingWrite& operator=(const PendingWrite&) = delete;

    /// Puts the bytes on the disk. Throws VbError.
    void Flush();
    /// Replaces the target with the flushed bytes. Throws VbError; the
    /// target is then as it was.
    void Commit();

    /// Flushes all of them; where the system allows with one call per file
    /// system, which lets the disk write them together.
    static void FlushAll(const std::vector<PendingWrite*>& writes);

private:
    struct State;
    std::unique_ptr<State> state_;
};

/// The folder part of a path: up to and including its last "\" or "/",
/// whichever comes last; empty text when it has neither.
inline Text FolderPart(TextView path) {
    const size_t separator = path.find_last_of(u"\\/");
    return separator == TextView::npos ? Text() : Text(path.substr(0, separator + 1));
}

/// The file name: what follows the folder part.
inline Text FileNamePart(TextView path) {
    const size_t separator = path.find_last_of(u"\\/");
    return Text(separator == TextView::npos ? path : path.substr(separator + 1));
}

/// The path as UTF-8, for messages; on POSIX with "/" for every "\".
std::string DisplayPath(const Text& path);

}  // namespace vb
