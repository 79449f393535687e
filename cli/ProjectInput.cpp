// Opening a project file for the project commands.
#include "cli/ProjectInput.h"

#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include <iostream>

#include "cli/CommandSupport.h"
#include "project_model/clsProject.h"
#include "vb_runtime/Strings.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/VbError.h"

namespace cli {

void OpenProject(clsProject& project, const std::string& argument) {
    const Text path = ArgumentText(argument);
    if (!vb::IsOrdinaryFile(path)) {
        throw vb::VbError(vb::ErrFileNotFound, "no such project file", vb::DisplayPath(path));
    }
    project.ParseProject(path);
}

std::vector<run::OpenedProject> OpenProjects(const std::string& argument, bool& isGroup) {
    isGroup = argument.size() >= 4 && vb::EqualsNoCase(vb::FromAscii(argument.substr(argument.size() - 4)), u".vbg");
    if (!isGroup) {
        std::vector<run::OpenedProject> projects;
        projects.push_back(run::OpenedProject{ArgumentText(argument), std::make_unique<clsProject>()});
        OpenProject(*projects.back().project, argument);
        return projects;
    }
    run::OpenedGroup group = run::OpenProjectGroup(ArgumentText(argument));
    for (const Text& file : group.missingProjects) {
        std::cerr << MissingProjectWarning(file) << "\n";
    }
    return std::move(group.projects);
}

void UseBinaryStdout() {
#ifdef _WIN32
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

bool StderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

}  // namespace cli
