// What the command line says: argument errors in one "trapwright:" line,
// where's map lookups, --map's folders, one path separator, and the hint to
// --codepage for a group whose project names do not resolve.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

using testing_support::CommandResult;
using testing_support::CrLfLines;
using testing_support::ReadBytes;
using testing_support::RunCli;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

TEST(Messages, ArgumentErrorsAreOneTrapwrightLine) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=A; a.bas", ""}));
    const std::string vbp = (dir / "P.vbp").string();
    const struct Row {
        std::vector<std::string> arguments;
        std::string err;  // the whole line, or empty: any one line
    } rows[] = {
        {{"check", vbp, "--codepage", "0"}, "trapwright: error: --codepage 0: not a code page this build knows\n"},
        {{"list", vbp, "--codepage", "x1"}, "trapwright: error: --codepage x1: not a code page this build knows\n"},
        {{"add", vbp, "--codepage", "54936"}, ""},
        {{"check", vbp, "--format", "json"}, ""},
        {{"number", vbp, "--start", "0"}, ""},
        {{"list"}, ""},
        {{"frobnicate"}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments[0] + " " + row.arguments.back());
        const CommandResult result = RunCli(row.arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        if (!row.err.empty()) {
            EXPECT_EQ(result.err, row.err);
        }
        EXPECT_EQ(result.err.rfind("trapwright: error: ", 0), 0u) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    }
}

TEST(Messages, WhereMatchesAsVbDoesAndKnowsAMapFromOtherFiles) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=m; Src\\Main.bas", ""}));
    WriteBytes(dir / "Src" / "Main.bas", CrLfLines({"Sub Go()", "  x = 1", "End Sub", ""}));
    const fs::path map = dir / "build" / "maps" / "erl.map";
    ASSERT_EQ(RunCli({"number", (dir / "P.vbp").string(), "--map", map.string()}).exitCode, 0) << "--map makes its folders";
    ASSERT_EQ(ReadBytes(map), "PATH\tPROCEDURE\tNUMBER\tLINE\nSrc/Main.bas\tGo\t10\t2\n");
    const std::string root = dir.path().string();
    for (const char* path : {"Src/Main.bas", "src\\main.BAS", "SRC/MAIN.BAS"}) {
        SCOPED_TRACE(path);
        const CommandResult found = RunCli({"where", map.string(), path, "gO", "10", "--root", root});
        EXPECT_EQ(found.exitCode, 0) << found.err;
        EXPECT_EQ(found.out, "Src/Main.bas:2:   x = 1\n");
    }
    EXPECT_EQ(RunCli({"where", map.string(), "Src/Other.bas", "Go", "10", "--root", root}).exitCode, 1);

    WriteBytes(dir / "notes.txt", "Src/Main.bas\tGo\t10\t2\n");
    const CommandResult notAMap = RunCli({"where", (dir / "notes.txt").string(), "Src/Main.bas", "Go", "10"});
    EXPECT_EQ(notAMap.exitCode, 2);
    EXPECT_EQ(notAMap.err, "trapwright: error: " + (dir / "notes.txt").string() +
                               " is no map of number --map: it does not start with the header row "
                               "PATH<TAB>PROCEDURE<TAB>NUMBER<TAB>LINE\n");
}

TEST(Messages, AMapsFoldersAreNotLeftBehindByARunThatFails) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=m; m.bas", ""}));
    WriteBytes(dir / "m.bas", CrLfLines({"Sub Go()", "  x = 1", "End Sub", ""}));
    fs::permissions(dir / "m.bas", fs::perms::owner_read);  // no write bit: refused, also for the superuser
    EXPECT_EQ(RunCli({"number", (dir / "P.vbp").string(), "--map", (dir / "build" / "erl.map").string()}).exitCode, 1);
    EXPECT_FALSE(fs::exists(dir / "build"));
}

TEST(Messages, PathsShowOneSeparator) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=a; Sub\\a.bas", "Module=g; Sub\\gone.bas", ""}));
    WriteBytes(dir / "Sub" / "a.bas", CrLfLines({"Sub A()", "End Sub", ""}));
    const CommandResult result = RunCli({"add", (dir / "P.vbp").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("Sub/gone.bas"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\\'), std::string::npos) << result.err;
}

TEST(Messages, AGroupWhoseProjectNamesDoNotResolveSuggestsTheCodePage) {
    ScratchDir dir;
    // The group names its project in code page 1251 (Cyrillic); the disk
    // holds the name in UTF-8.
    WriteBytes(dir / "G.vbg", CrLfLines({"VBGROUP 5.0", "StartupProject=\xCF\xF0\xEE\xE5\xEA\xF2\\P.vbp", ""}));
    WriteBytes(dir / "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82" / "P.vbp", CrLfLines({"Module=m; m.bas", ""}));
    WriteBytes(dir / "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82" / "m.bas", CrLfLines({"Sub Go()", "End Sub", ""}));
    const std::string group = (dir / "G.vbg").string();

    const CommandResult guessed = RunCli({"check", group});
    EXPECT_EQ(guessed.exitCode, 2);
    EXPECT_NE(guessed.err.find("trapwright: skipped, no such project: " + dir.path().string() + "/"), std::string::npos);
    EXPECT_NE(guessed.err.find("(if the group file names it in another code page than 1252, give that one with "
                               "--codepage)\n"),
              std::string::npos)
        << guessed.err;
    EXPECT_NE(guessed.err.find("trapwright: error: the one project that " + group + " names does not exist\n"),
              std::string::npos)
        << guessed.err;
    EXPECT_EQ(RunCli({"check", group, "--codepage", "1251"}).exitCode, 1);
}
