// trapwright: the command line over the core. It parses the options, runs
// the chosen command, and is the one place where errors are caught: a
// command never exits and never catches what stops it.
#include <CLI/CLI.hpp>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <functional>
#include <iostream>
#include <memory>

#include "cli/AddCommand.h"
#include "cli/NumberCommand.h"
#include "cli/CheckCommand.h"
#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "cli/HelpFormatter.h"
#include "cli/ListCommand.h"
#include "cli/RemoveCommand.h"
#include "cli/RuntimeCommand.h"
#include "cli/TransformCommand.h"
#include "cli/TreeCommand.h"
#include "TrapwrightVersion.h"

namespace {

struct Command {
    CLI::App* parsed;
    std::function<int()> run;
    int failure;  // the exit status of an error that stops the command
};

// Runs the command; whatever stops it is reported here and becomes its
// failure status, never an uncaught exception.
int RunGuarded(const Command& command) {
    try {
        return command.run();
    } catch (...) {
        const cli::Failure failure = cli::DescribeFailure(std::current_exception());
        std::cerr << failure.message << "\n";
        return failure.usage ? ExitUsage : command.failure;
    }
}

// Large buffers (a file's bytes, its text, its new bytes) come and go for
// every file of a run; kept in the heap rather than mapped and unmapped each
// time, their pages are reused instead of faulted in and zeroed afresh.
void KeepLargeBuffersInTheHeap() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    KeepLargeBuffersInTheHeap();
    CLI::App app{"Trapwright inserts error-handling blocks into the procedures of Visual Basic 6 sources.",
                 "trapwright"};
    app.set_version_flag("--version", "Trapwright " TRAPWRIGHT_VERSION);
    app.set_help_all_flag("--help-all", "Print the help of every command and exit");
    auto formatter = std::make_shared<cli::HelpFormatter>();
    formatter->label("SUBCOMMAND", "COMMAND");
    app.formatter(formatter);  // before the commands are added, which take it over
    app.failure_message(cli::ArgumentErrorMessage);
    app.require_subcommand(1);

    cli::SourceRunOptions transform;
    cli::ListOptions list;
    cli::TreeOptions tree;
    cli::SourceRunOptions add;
    cli::SourceRunOptions remove;
    cli::SourceRunOptions check;
    cli::SourceRunOptions number;
    cli::SourceRunOptions unnumber;
    cli::WhereOptions where;
    cli::RuntimeOptions runtime;
    const Command commands[] = {
        {cli::AddTransformCommand(app, transform), [&] { return cli::RunTransform(transform); }, ExitFailure},
        {cli::AddListCommand(app, list), [&] { return cli::RunList(list); }, ExitFailure},
        {cli::AddTreeCommand(app, tree), [&] { return cli::RunTree(tree); }, ExitFailure},
        {cli::AddAddCommand(app, add), [&] { return cli::RunAdd(add); }, ExitFailure},
        {cli::AddRemoveCommand(app, remove), [&] { return cli::RunRemove(remove); }, ExitFailure},
        {cli::AddCheckCommand(app, check), [&] { return cli::RunCheck(check); }, ExitCheckError},
        {cli::AddNumberCommand(app, number), [&] { return cli::RunNumber(number); }, ExitFailure},
        {cli::AddUnnumberCommand(app, unnumber), [&] { return cli::RunUnnumber(unnumber); }, ExitFailure},
        {cli::AddWhereCommand(app, where), [&] { return cli::RunWhere(where); }, ExitFailure},
        {cli::AddRuntimeCommand(app, runtime), [&] { return cli::RunRuntime(runtime); }, ExitFailure},
    };

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? ExitSuccess : ExitUsage;
    }
    for (const Command& command : commands) {
        if (command.parsed->parsed()) return RunGuarded(command);
    }
    return ExitUsage;
}
