// Helpers shared by the commands of the command line: arguments as Text,
// the code-page option, template files and error reports.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

#include "vb_runtime/Text.h"
#include "vb_runtime/VbError.h"

namespace cli {

/// A command line that is refused before any work: main prints
/// "trapwright: error: REASON" and exits with ExitUsage.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A command-line argument as Text (UTF-8 on POSIX, the ANSI code page on Windows).
Text ArgumentText(const std::string& argument);

/// Adds `--quiet` to a command: no progress lines, no summary, no completion
/// message and no procedures left as they are; findings, warnings and
/// errors still print.
CLI::Option* AddQuietOption(CLI::App& command, bool& quiet);

/// Adds `--codepage N` to a command; 0 means the default. A number that
/// names no code page this build can use is refused while the command line
/// is parsed, in one line.
void AddCodePageOption(CLI::App& command, int32_t& codePage);

/// How the command line reports an argument it refuses: one line,
/// "trapwright: error: REASON".
std::string ArgumentErrorMessage(const CLI::App* app, const CLI::Error& error);

/// Puts the chosen code page in force; throws UsageError when it is not
/// available.
void ApplyCodePage(int32_t codePage);

/// A template file's text: its bytes decoded in the code page (as UTF-8 after
/// a byte order mark), with every lone LF taken as CR LF (as the settings
/// window stores line breaks). Throws VbError 53 when there is no such file,
/// UsageError when it holds a character the code page lacks.
Text ReadTemplate(const std::string& fileName);

/// A path as an editor or a CI annotator opens it: on POSIX the file as the
/// file system finds it ("\" taken as "/", letter case as on the disk).
std::string ReportPath(const Text& path);

/// Why a listed file is skipped: "no such file", or "a folder or a hidden
/// file" when something that is no ordinary file stands at its path.
const char* SkipReason(const Text& path);

/// Names on stderr a file whose text holds NUL bytes: no VB6 source does,
/// so it was left as it is (a binary file listed by mistake, say).
void ReportNulBytes(const Text& path);

/// The message of an error, without a line break. One tied to a line of
/// `file` reads "PATH:LINE: error N: description (detail)"; any other
/// "trapwright: error N: description (place)", where the place names `file`
/// and the error's own context.
std::string ErrorMessage(const vb::VbError& error, const Text& file = {});

/// Prints ErrorMessage to stderr, with a line break.
void ReportError(const vb::VbError& error, const Text& file = {});

/// What stopped a command: its message, as main prints it on stderr
/// (without the line break), and whether the command line was refused.
struct Failure {
    std::string message;
    bool usage = false;
};

/// The Failure that an exception thrown by a command stands for.
Failure DescribeFailure(const std::exception_ptr& failure);

/// The warning for a project that a group names but that does not exist.
/// A name beyond ASCII may have been decoded in the wrong code page: then
/// the line suggests --codepage.
std::string MissingProjectWarning(const Text& project);

}  // namespace cli
