// Bad input to the transform command: each case gets a clear message, and
// nothing on disk is lost or half-written.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

bool QuickRun() { return std::getenv("TRAPWRIGHT_QUICK") != nullptr; }

size_t EntryCount(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

}  // namespace

TEST(BadInput, PathsThatCannotBeReadOrWritten) {
    ScratchDir dir;
    const std::string module = "Sub Main()\r\n";
    WriteBytes(dir / "Main.bas", module);
    WriteBytes(dir / ".Hidden.bas", module);
    WriteBytes(dir / "ReadOnly.bas", module);
    fs::permissions(dir / "ReadOnly.bas", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_directory(dir / "Folder.bas");
    const std::string d = dir.path().string();

    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::string stderrText;
    };
    const Row rows[] = {
        {"a folder as the source", {"transform", d + "/Folder.bas"},
         "trapwright: error 75: Path/File access error (" + d + "/Folder.bas: a folder or a hidden file, not a source file)\n"},
        {"a hidden source", {"transform", d + "/.Hidden.bas"},
         "trapwright: error 75: Path/File access error (" + d + "/.Hidden.bas: a folder or a hidden file, not a source file)\n"},
        {"a read-only target", {"transform", d + "/ReadOnly.bas"},
         "trapwright: error 70: Permission denied (" + d + "/ReadOnly.bas)\n"},
        {"a folder as the output", {"transform", d + "/Main.bas", "--output", d + "/Folder.bas"},
         "trapwright: error 75: Path/File access error (" + d + "/Main.bas: " + d + "/Folder.bas)\n"},
        {"an output folder that does not exist", {"transform", d + "/Main.bas", "--output", d + "/none/Out.bas"},
         "trapwright: error 76: Path not found (" + d + "/Main.bas: " + d + "/none/Out.bas)\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CommandResult result = RunCli(row.arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, row.stderrText);
    }
    for (const char* name : {"Main.bas", ".Hidden.bas", "ReadOnly.bas"}) EXPECT_EQ(ReadBytes(dir / name), module) << name;
    EXPECT_EQ(EntryCount(dir.path()), 4u) << "no temporary file is left";
    EXPECT_EQ(EntryCount(dir / "Folder.bas"), 0u);
}

TEST(BadInput, UnreadableSourceIsReportedAndKept) {
    ScratchDir dir;
    const fs::path module = dir / "Secret.bas";
    WriteBytes(module, "Sub Main()\r\n");
    fs::permissions(module, fs::perms::owner_write);
    if (geteuid() == 0) {
        // The superuser reads anything: run the command as an ordinary user.
        const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups '" + std::string(TRAPWRIGHT_CLI) +
                                    "' transform '" + module.string() + "' 2>'" + (dir / "err").string() + "'";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(ReadBytes(dir / "err"), "trapwright: error 70: Permission denied (" + module.string() + ")\n");
    } else {
        const CommandResult result = RunCli({"transform", module.string()});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "trapwright: error 70: Permission denied (" + module.string() + ")\n");
    }
    fs::permissions(module, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadBytes(module), "Sub Main()\r\n");
}

TEST(BadInput, BinaryContentIsKeptByteForByteWithAWarning) {
    ScratchDir dir;
    std::string bytes;
    uint32_t state = 12345;
    for (int i = 0; i < 1 << 20; ++i) {
        state = state * 1103515245u + 12345u;
        bytes.push_back(static_cast<char>(state >> 24));
    }
    bytes += std::string("\0\0\0", 3);
    WriteBytes(dir / "Binary.bas", bytes);
    const CommandResult result = RunCli({"transform", (dir / "Binary.bas").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, (dir / "Binary.bas").string() + " holds NUL bytes, so it is no VB6 source; left as it is\n");
    EXPECT_EQ(ReadBytes(dir / "Binary.bas"), bytes);
}

TEST(BadInput, HugeSingleLineAndMillionLineModules) {
    if (QuickRun()) GTEST_SKIP() << "large inputs are skipped in the quick run";
    ScratchDir dir;
    const std::string line(100u << 20, 'x');
    WriteBytes(dir / "Line.bas", line);
    CommandResult result = RunCli({"transform", (dir / "Line.bas").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(ReadBytes(dir / "Line.bas") == line);

    // A million lines, procedures of ten lines: far more than VB6 loads, so
    // the module is named and left as it is.
    std::string input;
    for (int i = 0; i < 1000000; ++i) {
        const std::string text = i % 10 == 0   ? "Public Sub P" + std::to_string(i) + "(ByVal a As Long)"
                                 : i % 10 == 9 ? "End Sub"
                                               : "    a = a + 1";
        input += (i == 0 ? "" : "\r\n") + text;
    }
    WriteBytes(dir / "Million.bas", input);
    WriteBytes(dir / "begin.tpl", "' [ProcName] [Paramenters]\r\n");
    result = RunCli({"transform", (dir / "Million.bas").string(), "--begin", (dir / "begin.tpl").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("Million.bas: the module would have 1,200,000 lines, more than the 65,534 that VB6 "
                              "loads; left as it is\n"),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(ReadBytes(dir / "Million.bas") == input);
}
