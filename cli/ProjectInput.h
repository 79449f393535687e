// What the project commands share: opening the project file named on the
// command line, and standard output as raw UTF-8 bytes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "commands/ProjectGroupSources.h"
#include "vb_runtime/Text.h"

class clsProject;

namespace cli {

/// Parses the project file named by `argument` into `project`. Throws
/// VbError 53 "no such project file" when it is not an ordinary file, so a
/// mistyped name is never taken for an empty project.
void OpenProject(clsProject& project, const std::string& argument);

/// The project named by `argument`, or each project of a group (.vbg) in
/// the group's order; a project the group names that does not exist is
/// named on stderr and skipped. Throws as OpenProject does.
std::vector<run::OpenedProject> OpenProjects(const std::string& argument, bool& isGroup);

/// Keeps the C runtime from translating "\n" on standard output (Windows).
void UseBinaryStdout();

/// True when standard error is a terminal.
bool StderrIsTerminal();

}  // namespace cli
