// trapwright: the command line over the core classes. It parses the options
// and calls in; every rule lives in the core.
#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/AddCommand.h"
#include "cli/ExitStatus.h"
#include "cli/ListCommand.h"
#include "cli/TransformCommand.h"
#include "cli/TreeCommand.h"

int main(int argc, char** argv) {
    CLI::App app{"Trapwright inserts error-handling blocks into the procedures of Visual Basic 6 sources.",
                 "trapwright"};
    app.set_version_flag("--version", "Trapwright 1.00");
    app.require_subcommand(1);

    cli::TransformOptions transform;
    CLI::App* transformCommand = cli::AddTransformCommand(app, transform);
    cli::ListOptions list;
    CLI::App* listCommand = cli::AddListCommand(app, list);
    cli::TreeOptions tree;
    CLI::App* treeCommand = cli::AddTreeCommand(app, tree);
    cli::AddOptions add;
    CLI::App* addCommand = cli::AddAddCommand(app, add);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? ExitSuccess : ExitUsage;
    }

    if (transformCommand->parsed()) return cli::RunTransform(transform);
    if (listCommand->parsed()) return cli::RunList(list);
    if (treeCommand->parsed()) return cli::RunTree(tree);
    if (addCommand->parsed()) return cli::RunAdd(add);
    return ExitUsage;
}
