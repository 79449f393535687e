// Template files end to end: what of a begin template goes in (all but its
// final line break), how a file is read (in the code page, or as UTF-8 after
// a byte order mark), and the templates refused before any file is read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

using testing_support::CommandResult;
using testing_support::ReadBytes;
using testing_support::RunCli;
using testing_support::ScratchDir;
using testing_support::Snapshot;
using testing_support::WriteBytes;

TEST(TemplateFiles, WhatGoesInAndWhatIsRefused) {
    struct Row {
        const char* name;
        std::string begin;
        std::string end;        // no --end when empty
        std::string codePage;   // --codepage when given
        int exitCode;
        std::string block;      // exit 0: the lines under the header, up to End Sub
        std::string message;    // exit 2: stderr after "trapwright: error: "
    };
    const std::vector<Row> rows = {
        {"final CR LF dropped", "On Error Resume Next\r\n", "", "", 0, "\r\nOn Error Resume Next\r\n", ""},
        {"no final line break: whole", "On Error GoTo 0", "", "", 0, "\r\nOn Error GoTo 0\r\n", ""},
        {"final LF dropped", "' a\n' b\n", "", "", 0, "\r\n' a\r\n' b\r\n", ""},
        {"a final lone CR stays", "' x\r", "", "", 0, "\r\n' x\r\r\n", ""},
        {"one line break: two empty lines", "\r\n", "", "", 0, "\r\n\r\n", ""},
        {"a byte order mark: read as UTF-8, written in the code page", "\xEF\xBB\xBF' caf\xC3\xA9 [ProcName]\r\n", "",
         "", 0, "\r\n' caf\xE9 Main\r\n", ""},
        {"a jump to 0, a line number and Next", "On Error GoTo 0: Resume Next: GoTo 10\r\n", "", "", 0,
         "\r\nOn Error GoTo 0: Resume Next: GoTo 10\r\n", ""},
        {"a jump to a label the end template defines", "On Error GoTo Fail_[ProcName]\r\n",
         "Exit Sub\r\nFail_[ProcName]: Resume Next\r\n", "", 0,
         "\r\nOn Error GoTo Fail_Main\r\nExit Sub\r\nFail_Main: Resume Next\r\n\r\n", ""},
        {"empty", "", "", "", 2, "", "the begin template (BEGIN) is empty"},
        {"a byte order mark, a character the code page lacks", "\xEF\xBB\xBF' caf\xC3\xA9\r\n", "", "1251", 2, "",
         "BEGIN: it holds \"\xC3\xA9\", which code page 1251 lacks"},
        {"a NUL byte", std::string("' x\0y\r\n", 7), "", "", 2, "",
         "the begin template (BEGIN) holds the control character U+0000 on its line 1, so it is no VB6 code"},
        {"a jump to a label neither defines", "On Error GoTo errHandler\r\n", "", "", 2, "",
         "the begin template (BEGIN) jumps to errHandler, which neither template defines"},
        {"one label in both", "On Error GoTo Fail\r\nFail:\r\n", "Fail: Resume Next\r\n", "", 2, "",
         "the begin template (BEGIN) and the end template (END) both define the label Fail"},
        {"one label twice in one", "A: x = 1\r\na: y = 2\r\n", "", "", 2, "",
         "the begin template (BEGIN) defines the label a twice"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        const std::string module = "Sub Main()\r\nEnd Sub\r\n";
        WriteBytes(dir / "M.bas", module);
        WriteBytes(dir / "begin.tpl", row.begin);
        std::vector<std::string> arguments = {"transform", (dir / "M.bas").string(), "--begin",
                                              (dir / "begin.tpl").string()};
        if (!row.end.empty()) {
            WriteBytes(dir / "end.tpl", row.end);
            arguments.insert(arguments.end(), {"--end", (dir / "end.tpl").string()});
        }
        if (!row.codePage.empty()) arguments.insert(arguments.end(), {"--codepage", row.codePage});
        const auto before = Snapshot(dir.path());
        const CommandResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
        if (row.exitCode == 0) {
            EXPECT_EQ(ReadBytes(dir / "M.bas"), "Sub Main()\r\n" + row.block + "End Sub\r\n\r\n");
            continue;
        }
        std::string message = row.message;
        for (const auto& [name, file] : {std::pair{"BEGIN", "begin.tpl"}, std::pair{"END", "end.tpl"}}) {
            const size_t at = message.find(name);
            if (at != std::string::npos) message.replace(at, std::string(name).size(), (dir / file).string());
        }
        EXPECT_EQ(result.err, "trapwright: error: " + message + "\n");
        EXPECT_EQ(Snapshot(dir.path()), before) << "nothing is written";
    }
}

// An empty begin template is refused before any file is read, a missing one
// included, and so are the policy's templates.
TEST(TemplateFiles, RefusedBeforeAnyFileIsRead) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", "Module=A; a.bas\r\nModule=Gone; gone.bas\r\n");
    WriteBytes(dir / "a.bas", "Option Explicit\r\n");
    WriteBytes(dir / "empty.tpl", "");
    for (const char* command : {"add", "remove", "check", "number"}) {
        SCOPED_TRACE(command);
        const CommandResult result = RunCli({command, (dir / "P.vbp").string(), "--begin", (dir / "empty.tpl").string()});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "trapwright: error: the begin template (" + (dir / "empty.tpl").string() + ") is empty\n");
    }
    WriteBytes(dir / "trapwright.toml", "[kinds.\"Function\"]\nbegin = \"On Error GoTo Oops\\n\"\n");
    const CommandResult result = RunCli({"add", (dir / "P.vbp").string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "trapwright: error: the begin template 'kinds.\"Function\".begin' of " +
                              (dir / "trapwright.toml").string() + " jumps to Oops, which neither template defines\n");
}
