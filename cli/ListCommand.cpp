// `trapwright list PROJECT.vbp [--codepage N]`
//
// Output, UTF-8 with LF line ends: "object<TAB>Type<TAB>Name<TAB>Path" per
// object entry, then "variable<TAB>Name<TAB>Value" per variable entry, each
// in list order. For a group, each project's lines follow a line
// "project<TAB>Name<TAB>Path", in the group's order.
#include "cli/ListCommand.h"

#include <iostream>
#include <string>

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "cli/ProjectInput.h"
#include "project_model/clsProject.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"

namespace cli {

CLI::App* AddListCommand(CLI::App& app, ListOptions& options) {
    CLI::App* command = app.add_subcommand("list", "List the objects and settings of a project");
    command->add_option("PROJECT", options.project, "The VB6 project file (.vbp) or project group (.vbg)")->required();
    AddCodePageOption(*command, options.codePage);
    AddQuietOption(*command, options.quiet);
    return command;
}

int RunList(const ListOptions& options) {
    ApplyCodePage(options.codePage);
    bool isGroup = false;
    const std::vector<run::OpenedProject> projects = OpenProjects(options.project, isGroup);
    UseBinaryStdout();
    std::string out;
    for (const run::OpenedProject& opened : projects) {
        const clsProject& project = *opened.project;
        if (isGroup) out += "project\t" + vb::ToUtf8(project.Variables(u"Name")) + "\t" + vb::DisplayPath(opened.file) + "\n";
        for (int32_t Index = 0; Index <= project.ObjectCount(); ++Index) {
            out += "object\t" + vb::ToUtf8(project.ObjectType(Index)) + "\t" + vb::ToUtf8(project.ObjectName(Index)) +
                   "\t" + vb::DisplayPath(project.ObjectPath(Index)) + "\n";
        }
        for (const ProjectEntry& variable : project.VariableEntries()) {
            out += "variable\t" + vb::ToUtf8(variable.Name) + "\t" + vb::ToUtf8(variable.Path) + "\n";
        }
    }
    std::cout << out << std::flush;
    return ExitSuccess;
}

}  // namespace cli
