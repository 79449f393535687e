// Helpers shared by the commands of the command line: arguments as Text,
// the code-page option, template files and error reports.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

#include "vb_runtime/Text.h"
#include "vb_runtime/VbError.h"

namespace cli {

/// A command-line argument as Text (UTF-8 on POSIX, the ANSI code page on Windows).
Text ArgumentText(const std::string& argument);

/// Adds `--codepage N` to a command; 0 means the default.
void AddCodePageOption(CLI::App& command, int32_t& codePage);

/// Puts the chosen code page in force. Returns false (after printing the
/// reason) when it is not available, so the command can exit with ExitUsage.
bool ApplyCodePage(int32_t codePage);

/// A template file's text: its bytes decoded in the code page, with every
/// lone LF taken as CR LF (as the settings window stores line breaks).
/// Without a file name, `fallback`.
Text ReadTemplate(const std::string& fileName, const Text& fallback);

/// Throws VbError 53 when nothing exists at the path, 75 when it is a
/// folder or a hidden file (which LoadCode would not read).
void RequireOrdinaryFile(const Text& path);

/// Warns on stderr that a file's text holds NUL bytes: no VB6 source does,
/// so it is probably a binary file listed by mistake. Its bytes are kept.
void WarnAboutNulBytes(const Text& path);

/// Prints "trapwright: error N: description (place)" to stderr, where the
/// place names `file` and the error's own context.
void ReportError(const vb::VbError& error, const Text& file = {});

}  // namespace cli
