// `trapwright transform` end to end: golden modules, byte-exact round trips,
// exit codes and what is (not) written on an error.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "TestSupport.h"
#include "TrapwrightVersion.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {


std::string AllByteValues() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

}  // namespace

TEST(TransformCommand, GoldenModules) {
    struct Row {
        std::string name;
        std::vector<std::string> templateOptions;
    };
    const Row rows[] = {
        {"worked_example", {}},
        {"mixed", {"--begin", DataFile("transform/mixed.begin.tpl").string(), "--end",
                   DataFile("transform/mixed.end.tpl").string()}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        const fs::path module = dir / "Module.bas";
        fs::copy_file(DataFile("transform/" + row.name + ".input.bas"), module);
        std::vector<std::string> arguments = {"transform", module.string()};
        arguments.insert(arguments.end(), row.templateOptions.begin(), row.templateOptions.end());
        const CommandResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(ReadBytes(module), ReadBytes(DataFile("transform/" + row.name + ".expected.bas")));
    }
}

// A module in which nothing goes in keeps its bytes: in place it is not
// rewritten, and --output gets them as they are.
TEST(TransformCommand, ModulesWithoutHeadersKeepTheirBytes) {
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"empty file", ""},
        {"every Windows-1252 byte value (one lone LF)", AllByteValues()},
        {"final line break", "Option Explicit\r\nDim x As Long\r\n"},
        {"no final line break, lone CR and LF", "x = 1\ry = 2\nEnd Sub"},
        {"NUL bytes and a header", std::string("Sub A()\0b\r\nEnd Sub\r\n\0", 22)},
        {"every procedure refused", "Sub A(ByVal Err As Long)\r\nEnd Sub\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        WriteBytes(dir / "In.bas", row.bytes);
        CommandResult result = RunCli({"transform", (dir / "In.bas").string(), "--output", (dir / "Out.bas").string()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(ReadBytes(dir / "Out.bas"), row.bytes);
        EXPECT_EQ(ReadBytes(dir / "In.bas"), row.bytes) << "--output leaves the source alone";
        const auto written = fs::last_write_time(dir / "In.bas");
        fs::last_write_time(dir / "In.bas", written - std::chrono::hours(1));
        result = RunCli({"transform", (dir / "In.bas").string()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(ReadBytes(dir / "In.bas"), row.bytes);
        EXPECT_EQ(fs::last_write_time(dir / "In.bas"), written - std::chrono::hours(1)) << "not rewritten";
    }
}

TEST(TransformCommand, LineBreaksOfModulesAndTemplateFiles) {
    struct Row {
        const char* name;
        std::string module;
        std::string beginFile;
        std::string endFile;
        std::string expected;
    };
    const std::string lf = "Public Sub Foo(a As Long)\n  a = 1\nEnd Sub ' x\n";
    const std::string crLf = "Public Sub Foo(a As Long)\r\n  a = 1\r\nEnd Sub ' x\r\n";
    const Row rows[] = {
        {"LF module, CR LF templates", lf, "' [ProcName]\r\nOn Error GoTo H\r\n", "H: ' [ProcName]\r\n",
         "Public Sub Foo(a As Long)\n\n' Foo\nOn Error GoTo H\n  a = 1\nH: ' Foo\n\nEnd Sub ' x\n\n"},
        {"LF module, LF templates", lf, "' [ProcName]\nOn Error GoTo H\n", "H: ' [ProcName]\n",
         "Public Sub Foo(a As Long)\n\n' Foo\nOn Error GoTo H\n  a = 1\nH: ' Foo\n\nEnd Sub ' x\n\n"},
        {"CR LF module, LF templates", crLf, "' [ProcName]\nOn Error GoTo H\n", "H: ' [ProcName]\n",
         "Public Sub Foo(a As Long)\r\n\r\n' Foo\r\nOn Error GoTo H\r\n  a = 1\r\nH: ' Foo\r\n\r\n"
         "End Sub ' x\r\n\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        WriteBytes(dir / "M.bas", row.module);
        WriteBytes(dir / "begin.tpl", row.beginFile);
        WriteBytes(dir / "end.tpl", row.endFile);
        const CommandResult result = RunCli({"transform", (dir / "M.bas").string(), "--begin",
                                             (dir / "begin.tpl").string(), "--end", (dir / "end.tpl").string()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(ReadBytes(dir / "M.bas"), row.expected);
    }
}

TEST(TransformCommand, ErrorsWriteNothing) {
    ScratchDir dir;
    const std::string module = "Sub Main()\r\nEnd Sub\r\n";
    WriteBytes(dir / "Main.bas", module);
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::string stderrText;
    };
    const Row rows[] = {
        {"missing source", {"transform", (dir / "Missing.bas").string()},
         "trapwright: error 53: File not found (" + (dir / "Missing.bas").string() + ")\n"},
        {"missing template file", {"transform", (dir / "Main.bas").string(), "--end", (dir / "none.tpl").string()},
         "trapwright: error 53: File not found (" + (dir / "none.tpl").string() + ")\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CommandResult result = RunCli(row.arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, row.stderrText);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(ReadBytes(dir / "Main.bas"), module);
    EXPECT_FALSE(fs::exists(dir / "Missing.bas"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(TransformCommand, UsageErrorsExitWithTwo) {
    ScratchDir dir;
    WriteBytes(dir / "Main.bas", "Sub Main()\r\n");
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"transform"},
        {"transform", (dir / "Main.bas").string(), "--bogus"},
        {"transform", (dir / "Main.bas").string(), "--codepage", "4242"},
        {"transform", (dir / "Main.bas").string(), "--codepage", "x"},
        {"frobnicate"},
    };
    for (const auto& arguments : rows) {
        SCOPED_TRACE(arguments.empty() ? "(none)" : arguments.back());
        const CommandResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_NE(result.err, "");
    }
    EXPECT_EQ(ReadBytes(dir / "Main.bas"), "Sub Main()\r\n");
}

TEST(TransformCommand, VersionAndHelp) {
    const CommandResult version = RunCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Trapwright " TRAPWRIGHT_VERSION "\n");
    const CommandResult help = RunCli({"transform", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--begin"), std::string::npos);
}

TEST(TransformCommand, ModulesInOtherCodePagesKeepTheirBytes) {
    struct Row {
        const char* name;
        const char* codePage;
        std::string module;
        std::string expected;
    };
    const Row rows[] = {
        {"Shift-JIS comment and procedure name", "932",
         "' \x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B\r\nSub \x8A\x4A\x8E\x6E(a As Long)\r\nEnd Sub\r\n",
         "' \x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B\r\nSub \x8A\x4A\x8E\x6E(a As Long)\r\n\r\n"
         "' \x8A\x4A\x8E\x6E(a)\r\nEnd Sub\r\n\r\n"},
        {"lead byte at the end of a comment keeps its CR LF", "932", "' \x83\r\nSub A(x)\r\nEnd Sub\r\n",
         "' \x83\r\nSub A(x)\r\n\r\n' A(x)\r\nEnd Sub\r\n\r\n"},
        {"byte undefined in a Cyrillic string literal", "1251", "Sub B(s)\r\ns = \"\x98\xC0\"\r\nEnd Sub\r\n",
         "Sub B(s)\r\n\r\n' B(s)\r\ns = \"\x98\xC0\"\r\nEnd Sub\r\n\r\n"},
        {"UTF-8 name and bytes that are not UTF-8", "65001", "Sub \xC3\xA9(x)\r\n' \xFF\xE3\x81\r\nEnd Sub\r\n",
         "Sub \xC3\xA9(x)\r\n\r\n' \xC3\xA9(x)\r\n' \xFF\xE3\x81\r\nEnd Sub\r\n\r\n"},
        {"Cyrillic parameter names and an Enum of the module", "1251",
         "Enum \xD6\xE2\xE5\xF2\r\n  a\r\nEnd Enum\r\nSub C(\xE8\xEC\xFF As \xF6\xE2\xE5\xF2, r As RECT)\r\nEnd Sub\r\n",
         "Enum \xD6\xE2\xE5\xF2\r\n  a\r\nEnd Enum\r\nSub C(\xE8\xEC\xFF As \xF6\xE2\xE5\xF2, r As RECT)\r\n\r\n"
         "' C(\xE8\xEC\xFF)\r\nEnd Sub\r\n\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        WriteBytes(dir / "M.bas", row.module);
        WriteBytes(dir / "begin.tpl", "' [ProcName]([Paramenters])\r\n");
        const CommandResult result = RunCli(
            {"transform", (dir / "M.bas").string(), "--codepage", row.codePage, "--begin", (dir / "begin.tpl").string()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(ReadBytes(dir / "M.bas"), row.expected);
    }
}

TEST(TransformCommand, BackupKeepsEveryEarlierOriginal) {
    ScratchDir dir;
    const fs::path module = dir / "Main.bas";
    WriteBytes(module, "Sub Main()\r\nEnd Sub\r\n");
    WriteBytes(dir / "Main.bas.bak", "an older backup");
    // A block without a label, so that a second run adds another.
    WriteBytes(dir / "note.tpl", "' [ProcName]\r\n");
    const std::vector<std::string> run = {"transform", module.string(), "--backup", "--begin", (dir / "note.tpl").string()};
    const CommandResult first = RunCli(run);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    const std::string once = ReadBytes(module);
    const CommandResult second = RunCli(run);
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(ReadBytes(dir / "Main.bas.bak"), "an older backup");
    EXPECT_EQ(ReadBytes(dir / "Main.bas.bak.1"), "Sub Main()\r\nEnd Sub\r\n");
    EXPECT_EQ(ReadBytes(dir / "Main.bas.bak.2"), once);
    EXPECT_NE(ReadBytes(module), once);

    WriteBytes(dir / "Short.bas", "Sub S()\r\nEnd Sub\r\n");
    WriteBytes(dir / "empty.tpl", "");
    const CommandResult failed = RunCli({"transform", (dir / "Short.bas").string(), "--backup", "--begin", (dir / "empty.tpl").string()});
    EXPECT_EQ(failed.exitCode, 2);
    EXPECT_FALSE(fs::exists(dir / "Short.bas.bak")) << "no backup when nothing is written";
}
