// Opening a project file for the project commands.
#include "cli/ProjectInput.h"

#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/CommandSupport.h"
#include "project_model/clsProject.h"
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
