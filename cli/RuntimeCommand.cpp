// The runtime module on the command line.
#include "cli/RuntimeCommand.h"

#include <iostream>

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "cli/ProjectInput.h"
#include "commands/RuntimeModule.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"

namespace cli {

CLI::App* AddRuntimeCommand(CLI::App& app, RuntimeOptions& options) {
    CLI::App* command =
        app.add_subcommand("runtime", "Write the runtime module modDebugErr.bas that the built-in template's blocks call");
    command->add_option("--output", options.output, "Write it to this file instead of to standard output")
        ->type_name("FILE");
    AddCodePageOption(*command, options.codePage);
    return command;
}

int RunRuntime(const RuntimeOptions& options) {
    ApplyCodePage(options.codePage);
    const std::string bytes = run::RuntimeModuleBytes(vb::AnsiCodePage());
    if (!options.output.empty()) {
        vb::WriteFileBytes(ArgumentText(options.output), bytes);
        return ExitSuccess;
    }
    UseBinaryStdout();
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::cout.flush();
    return ExitSuccess;
}

void AddWithRuntimeOption(CLI::App& command, SourceRunOptions& options, const char* help) {
    command.add_flag("--with-runtime", options.withRuntime, help);
}

run::RuntimeRun RuntimeRunFor(const RunInputs& inputs, run::Operation operation, const SourceRunOptions& options) {
    run::RuntimeSettings settings;
    settings.operation = operation;
    settings.withRuntime = options.withRuntime;
    settings.findPolicies = !options.noPolicy;
    if (!options.policyFile.empty()) settings.policyFile = ArgumentText(options.policyFile);
    settings.codePage = vb::AnsiCodePage();
    run::RuntimeRun runtime(inputs.sources, inputs.projectFiles, settings);
    if (!runtime.Conflicts().empty()) {
        std::string message = runtime.Conflicts().front();
        for (size_t k = 1; k < runtime.Conflicts().size(); ++k) message += "\ntrapwright: error: " + runtime.Conflicts()[k];
        throw UsageError(message + "; nothing was written");
    }
    return runtime;
}

std::string UndeclaredNamesMessage(const run::RuntimeRun& runtime) {
    const std::vector<Text>& names = runtime.UndeclaredNames();
    if (names.empty()) return {};
    std::string list;
    for (size_t k = 0; k < names.size(); ++k) {
        if (k > 0) list += k + 1 == names.size() ? " and " : ", ";
        list += vb::ToUtf8(names[k]);
    }
    std::string message = "the blocks use " + list + ", which no source file declares";
    if (runtime.RuntimeDeclaresThem()) message += "; add --with-runtime writes a module that does";
    return message;
}

Text UndeclaredNamesPlace(const RunInputs& inputs) {
    if (!inputs.projectFiles.empty()) return inputs.projectFiles.front();
    return inputs.sources.empty() ? Text() : inputs.sources.front().path;
}

void WarnOfUndeclaredNames(const RunInputs& inputs, const std::string& message) {
    if (message.empty()) return;
    const std::string place = inputs.projectFiles.empty() ? std::string("trapwright") : vb::DisplayPath(inputs.projectFiles.front());
    std::cerr << place << ": " << message << "\n";
}

}  // namespace cli
