// The layout of the top-level help.
#include "cli/HelpFormatter.h"

#include <sstream>
#include <vector>

namespace cli {

namespace {

// A command as its usage starts: "check PROJECT|SOURCE...".
std::string CommandWithArguments(const CLI::App* command) {
    std::string text = command->get_name();
    const auto positionals = command->get_options([](const CLI::Option* option) { return option->get_positional(); });
    for (const CLI::Option* positional : positionals) {
        text += ' ';
        text += positional->get_name();
        if (positional->get_expected_max() > 1) text += "...";
    }
    return text;
}

}  // namespace

std::string HelpFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const {
    if (app->get_parent() != nullptr || mode == CLI::AppFormatMode::Sub) {
        return CLI::Formatter::make_help(app, name, mode);
    }
    std::stringstream out;
    out << make_description(app) << make_usage(app, name) << CommandList(app) << make_groups(app, mode);
    if (mode == CLI::AppFormatMode::All) out << CommandOptions(app);
    out << '\n' << make_footer(app);
    return out.str();
}

std::string HelpFormatter::CommandList(const CLI::App* app) const {
    std::stringstream out;
    out << "\nCommands:\n";
    for (const CLI::App* command : app->get_subcommands({})) {
        CLI::detail::format_help(out, CommandWithArguments(command), command->get_description(), column_width_);
    }
    return out.str();
}

std::string HelpFormatter::CommandOptions(const CLI::App* app) const {
    std::stringstream out;
    for (const CLI::App* command : app->get_subcommands({})) {
        out << "\nOptions of " << command->get_name() << ":\n";
        const CLI::Option* help = command->get_help_ptr();
        const CLI::Option* helpAll = command->get_help_all_ptr();
        for (const CLI::Option* option : command->get_options([help, helpAll](const CLI::Option* candidate) {
                 return candidate->nonpositional() && candidate != help && candidate != helpAll;
             })) {
            out << make_option(option, false);
        }
    }
    return out.str();
}

}  // namespace cli
