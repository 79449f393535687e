// Helpers for the test suites.
#include "TestSupport.h"

#include <sys/wait.h>

#include <cstdlib>

namespace testing_support {

namespace fs = std::filesystem;

namespace {
std::string ShellQuote(const std::string& argument) {
    std::string quoted = "'";
    for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
}  // namespace

CommandResult RunCli(const std::vector<std::string>& arguments) { return RunCliAs("", arguments); }

CommandResult RunCliAs(const std::string& prefix, const std::vector<std::string>& arguments) {
    ScratchDir capture;
    std::string command = prefix + ShellQuote(TRAPWRIGHT_CLI);
    for (const std::string& argument : arguments) command += " " + ShellQuote(argument);
    command += " >" + ShellQuote((capture / "out").string()) + " 2>" + ShellQuote((capture / "err").string()) +
               " </dev/null";
    const int status = std::system(command.c_str());
    CommandResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadBytes(capture / "out");
    result.err = ReadBytes(capture / "err");
    return result;
}

fs::path DataFile(const std::string& name) { return fs::path(TRAPWRIGHT_TEST_DATA) / name; }

}  // namespace testing_support
