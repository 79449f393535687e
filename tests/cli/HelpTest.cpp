// The help that the man page is made of, and the man page itself: the
// top-level help lists every command with its arguments, --help-all adds each
// command's own options, and help2man turns that into trapwright(1).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "TrapwrightVersion.h"

using testing_support::CommandResult;
using testing_support::RunCli;

namespace {

struct CommandRow {
    std::string usage;                  // the command and its arguments, as the list shows them
    std::vector<std::string> options;   // options its section must list
    std::vector<std::string> excluded;  // options it must not list
};

const CommandRow kCommands[] = {
    {"transform SOURCE", {"--output FILE", "--begin FILE", "--policy FILE", "--skip-handled", "--quiet"}, {"--format"}},
    {"list PROJECT", {"--codepage", "--quiet"}, {"--begin", "--dry-run", "--policy"}},
    {"tree PROJECT", {"--codepage", "--quiet"}, {"--begin", "--dry-run", "--policy"}},
    {"add PROJECT",
     {"--begin FILE", "--end FILE", "--backup", "--skip-handled", "--diff", "--with-runtime", "--quiet"},
     {"--output", "--format"}},
    {"remove PROJECT|SOURCE...", {"--begin FILE", "--dry-run", "--with-runtime", "--quiet"}, {"--skip-handled", "--format"}},
    {"check PROJECT|SOURCE...", {"--format", "--policy FILE", "--quiet"}, {"--backup", "--dry-run"}},
    {"number PROJECT|SOURCE...", {"--start", "--step", "--per", "--map FILE", "--dry-run", "--quiet"}, {"--format"}},
    {"unnumber PROJECT|SOURCE...", {"--start", "--step", "--per", "--backup", "--dry-run", "--quiet"}, {"--map"}},
    {"where MAP PATH PROCEDURE NUMBER", {"--root", "--codepage"}, {"--begin", "--dry-run"}},
    {"runtime", {"--output FILE", "--codepage"}, {"--begin", "--dry-run", "--with-runtime"}},
};

std::string CommandName(const CommandRow& row) { return row.usage.substr(0, row.usage.find(' ')); }

// The lines after `heading` up to the next empty line; a description that
// a long entry pushed onto the next line is joined to it.
std::vector<std::string> Section(const std::string& text, const std::string& heading) {
    std::vector<std::string> lines;
    size_t at = text.find("\n" + heading + "\n");
    if (at == std::string::npos) return lines;
    at += heading.size() + 2;
    while (at < text.size() && text[at] != '\n') {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        if (!lines.empty() && line.compare(0, 8, "        ") == 0) {
            lines.back() += " " + line;
        } else {
            lines.push_back(line);
        }
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

std::string Output(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    return out;
}

}  // namespace

TEST(Help, ListsEveryCommandWithItsArguments) {
    const CommandResult result = RunCli({"--help"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\nUsage: trapwright [OPTIONS] COMMAND\n"), std::string::npos) << result.out;
    const std::vector<std::string> lines = Section(result.out, "Commands:");
    ASSERT_EQ(lines.size(), std::size(kCommands)) << result.out;
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(kCommands[i].usage);
        EXPECT_EQ(lines[i].substr(0, 2 + kCommands[i].usage.size() + 1), "  " + kCommands[i].usage + " ");
    }
    EXPECT_EQ(result.out.find("Options of "), std::string::npos) << "only --help-all lists each command's options";
}

TEST(Help, HelpAllListsTheOptionsOfEachCommand) {
    const CommandResult result = RunCli({"--help-all"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Section(result.out, "Commands:").size(), std::size(kCommands));
    for (const CommandRow& row : kCommands) {
        SCOPED_TRACE(row.usage);
        const std::vector<std::string> lines = Section(result.out, "Options of " + CommandName(row) + ":");
        ASSERT_FALSE(lines.empty()) << result.out;
        std::string section;
        for (const std::string& line : lines) section += line + "\n";
        for (const std::string& option : row.options) {
            EXPECT_NE(section.find("  " + option + " "), std::string::npos) << option << " in\n" << section;
        }
        for (const std::string& option : row.excluded) EXPECT_EQ(section.find(option), std::string::npos) << option;
        EXPECT_EQ(section.find("--help"), std::string::npos) << "the help flags are listed once, at the top";
    }
}

TEST(Help, ACommandsOwnHelpShowsItsArgumentsAndOptions) {
    const CommandResult result = RunCli({"check", "--help"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Usage: trapwright check [OPTIONS] PROJECT|SOURCE...\n"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("  --format "), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("Commands:"), std::string::npos) << result.out;
}

TEST(ManPage, HasItsSectionsTheCommandsAndTheVersion) {
    const std::string page = Output("gzip -dc '" TRAPWRIGHT_MAN_PAGE "'");
    EXPECT_NE(page.find(".TH TRAPWRIGHT \"1\" "), std::string::npos);
    EXPECT_NE(page.find("\"Trapwright " TRAPWRIGHT_VERSION "\""), std::string::npos) << "the version of --version";
    size_t previous = 0;
    for (const char* heading : {".SH NAME\n", ".SH SYNOPSIS\n", ".SH DESCRIPTION\n", ".SH COMMANDS\n", ".SH OPTIONS\n",
                                ".SH \"EXIT STATUS\"\n", ".SH \"POLICY FILE\"\n", ".SH EXAMPLES\n"}) {
        SCOPED_TRACE(heading);
        const size_t at = page.find(heading);
        ASSERT_NE(at, std::string::npos);
        EXPECT_GT(at, previous) << "out of order";
        previous = at;
    }
    const size_t commands = page.find(".SH COMMANDS\n");
    const std::string commandSection = page.substr(commands, page.find(".SH OPTIONS\n") - commands);
    for (const CommandRow& row : kCommands) {
        // A command without arguments ends its line.
        const std::string after = row.usage == CommandName(row) ? "\n" : " ";
        EXPECT_NE(commandSection.find(".TP\n" + CommandName(row) + after), std::string::npos) << row.usage;
        EXPECT_NE(page.find(".SS \"Options of " + CommandName(row) + ":\"\n"), std::string::npos) << row.usage;
    }
}
