// trapwright: the command line over the core classes. It parses the options
// and calls in; every rule lives in the core.
#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/ExitStatus.h"
#include "cli/TransformCommand.h"

int main(int argc, char** argv) {
    CLI::App app{"Trapwright inserts error-handling blocks into the procedures of Visual Basic 6 sources.",
                 "trapwright"};
    app.set_version_flag("--version", "Trapwright 1.00");
    app.require_subcommand(1);

    cli::TransformOptions transform;
    CLI::App* transformCommand = cli::AddTransformCommand(app, transform);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? ExitSuccess : ExitUsage;
    }

    if (transformCommand->parsed()) return cli::RunTransform(transform);
    return ExitUsage;
}
