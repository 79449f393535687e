// `trapwright tree PROJECT.vbp [--codepage N]`
//
// Output, UTF-8 with LF line ends: the root's text, then each remaining
// folder's caption indented two spaces, each followed by its objects' names
// indented four, in the order the tree is built. For a group, each
// project's tree follows the one before, in the group's order.
#include "cli/TreeCommand.h"

#include <iostream>
#include <string>

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "cli/ProjectInput.h"
#include "project_model/clsProject.h"
#include "commands/ProjectTreeContent.h"
#include "vb_runtime/CodePage.h"

namespace cli {

CLI::App* AddTreeCommand(CLI::App& app, TreeOptions& options) {
    CLI::App* command = app.add_subcommand("tree", "Show the project tree of a project");
    command->add_option("PROJECT", options.project, "The VB6 project file (.vbp) or project group (.vbg)")->required();
    AddCodePageOption(*command, options.codePage);
    AddQuietOption(*command, options.quiet);
    return command;
}

int RunTree(const TreeOptions& options) {
    ApplyCodePage(options.codePage);
    bool isGroup = false;
    const std::vector<run::OpenedProject> projects = OpenProjects(options.project, isGroup);
    UseBinaryStdout();
    std::string out;
    for (const run::OpenedProject& opened : projects) {
        const tree::TreeContent content = tree::BuildTreeContent(*opened.project);
        out += vb::ToUtf8(content.rootText) + "\n";
        for (const tree::TreeFolder& folder : content.folders) {
            if (!folder.Remains()) continue;
            out += "  " + vb::ToUtf8(folder.caption) + "\n";
            for (const tree::TreeObject& object : folder.objects) out += "    " + vb::ToUtf8(object.text) + "\n";
        }
    }
    std::cout << out << std::flush;
    return ExitSuccess;
}

}  // namespace cli
