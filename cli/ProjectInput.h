// What the project commands share: opening the project file named on the
// command line, and standard output as raw UTF-8 bytes.
#pragma once

#include <string>

class clsProject;

namespace cli {

/// Parses the project file named by `argument` into `project`. Throws
/// VbError 53 "no such project file" when it is not an ordinary file, so a
/// mistyped name is never taken for an empty project.
void OpenProject(clsProject& project, const std::string& argument);

/// Keeps the C runtime from translating "\n" on standard output (Windows).
void UseBinaryStdout();

/// True when standard error is a terminal.
bool StderrIsTerminal();

}  // namespace cli
