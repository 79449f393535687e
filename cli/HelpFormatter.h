// The help of the command line, laid out so that help2man makes the man
// page of it: the top-level help lists the commands with their arguments
// before the options, and --help-all adds each command's options under
// "Options of COMMAND:". A command's own --help is CLI11's.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace cli {

class HelpFormatter : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;

private:
    /// "Commands:" and a line per command: its name, its arguments, what it does.
    std::string CommandList(const CLI::App* app) const;
    /// "Options of COMMAND:" and its options, for each command.
    std::string CommandOptions(const CLI::App* app) const;
};

}  // namespace cli
