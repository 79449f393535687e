// Bad input to the add run: a project that lists itself, files that change
// between the checks and the writes, backups, binary and unreadable files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>

#include "TestSupport.h"
#include "project_model/clsProject.h"
#include "source_transformation/clsVBParser.h"
#include "commands/AddErrorHandlerRun.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

const std::string kModule = "Sub A(x)\r\nEnd Sub\r\n";
const std::string kBegin = "' [ProcName]\r\n";

class FixedTemplates : public addrun::TemplateSource {
public:
    Text BeginTemplate() override { return u"' [ProcName]\r\n"; }
    Text EndTemplate() override { return Text(); }
};

// Runs `action` on a file when the last object is being processed: after
// the earlier files were checked, before anything is written.
class BeforeWrites : public addrun::RunObserver {
public:
    BeforeWrites(fs::path file, void (*action)(const fs::path&)) : file_(std::move(file)), action_(action) {}
    void FileProcessing(int32_t Index, int32_t ObjectCount, const Text&) override {
        if (Index == ObjectCount) action_(file_);
    }

private:
    fs::path file_;
    void (*action_)(const fs::path&);
};

}  // namespace

TEST(AddBadInput, ProjectThatListsItselfIsRefusedAndNothingIsWritten) {
    ScratchDir dir;
    WriteBytes(dir / "a.bas", kModule);
    WriteBytes(dir / "Demo.vbp", "Name=\"Demo\"\r\nModule=a; a.bas\r\nModule=Demo; DEMO.VBP\r\n");
    const auto before = Snapshot(dir.path());
    const CommandResult result = RunCli({"add", (dir / "Demo.vbp").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("trapwright: error 75: Path/File access error (" + (dir / "DEMO.VBP").string() +
                              ": the project lists its own project file)\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("nothing was written"), std::string::npos) << result.err;
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(AddBadInput, BackupKeepsTheOriginalOfAFileListedTwice) {
    ScratchDir dir;
    WriteBytes(dir / "a.bas", kModule);
    WriteBytes(dir / "a.bas.bak", "older");
    WriteBytes(dir / "begin.tpl", kBegin);
    WriteBytes(dir / "Demo.vbp", "Module=a; a.bas\r\nModule=again; A.BAS\r\n");
    const CommandResult result =
        RunCli({"add", (dir / "Demo.vbp").string(), "--backup", "--begin", (dir / "begin.tpl").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // Listed twice: transformed twice, the second time from the first result.
    EXPECT_EQ(ReadBytes(dir / "a.bas"), "Sub A(x)\r\n\r\n' A\r\n\r\n' A\r\nEnd Sub\r\n\r\n\r\n");
    EXPECT_EQ(ReadBytes(dir / "a.bas.bak"), "older");
    EXPECT_EQ(ReadBytes(dir / "a.bas.bak.1"), kModule);
    EXPECT_FALSE(fs::exists(dir / "a.bas.bak.2"));
}

TEST(AddBadInput, FilesThatChangeAfterTheChecksStopTheWriting) {
    struct Row {
        const char* name;
        void (*action)(const fs::path&);
        int32_t number;
    };
    const Row rows[] = {
        {"disappears", [](const fs::path& file) { fs::remove(file); }, 53},
        {"becomes a folder",
         [](const fs::path& file) {
             fs::remove(file);
             fs::create_directory(file);
         },
         53},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        WriteBytes(dir / "a.bas", kModule);
        WriteBytes(dir / "b.bas", kModule);
        WriteBytes(dir / "P.vbp", "Module=a; a.bas\r\nModule=b; b.bas\r\n");
        clsProject project;
        project.ParseProject(PathText(dir / "P.vbp"));
        FixedTemplates templates;
        BeforeWrites observer(dir / "a.bas", row.action);
        const addrun::RunResult result = addrun::AddErrorHandlers(project, templates, &observer);
        ASSERT_EQ(result.problems.size(), 1u);
        EXPECT_EQ(result.problems[0].Index, 0);
        EXPECT_EQ(result.problems[0].error.Number(), row.number);
        EXPECT_EQ(ReadBytes(dir / "b.bas"), kModule) << "writing stops at the first failure";
        if (fs::is_regular_file(dir / "a.bas")) {
            EXPECT_EQ(ReadBytes(dir / "a.bas"), kModule);
        }
        EXPECT_EQ(Snapshot(dir.path()).size(), fs::is_regular_file(dir / "a.bas") ? 3u : 2u) << "no temporary file";
    }
}

TEST(AddBadInput, UnreadableFileStopsTheRunBeforeAnyWrite) {
    // The superuser reads anything: the command runs as an ordinary user, and
    // everything but the secret file is open to that user.
    if (geteuid() != 0) GTEST_SKIP() << "needs the superuser, to run the command as another user";
    ScratchDir dir;
    WriteBytes(dir / "a.bas", kModule);
    WriteBytes(dir / "P.vbp", "Module=a; a.bas\r\nModule=s; secret.bas\r\n");
    WriteBytes(dir / "secret.bas", kModule);
    fs::permissions(dir / "secret.bas", fs::perms::owner_write | fs::perms::owner_read);
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(dir / "a.bas", fs::perms::all);
    fs::permissions(dir / "P.vbp", fs::perms::all);
    const auto before = Snapshot(dir.path());
    const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups '" + std::string(TRAPWRIGHT_CLI) +
                                "' add '" + (dir / "P.vbp").string() + "' 2>'" + (dir / "err").string() + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string err = ReadBytes(dir / "err");
    EXPECT_NE(err.find("trapwright: error 70: Permission denied (" + (dir / "secret.bas").string() + ")\n"),
              std::string::npos)
        << err;
    fs::remove(dir / "err");
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(AddBadInput, BinaryFilesAreKeptByteForByteWithAWarning) {
    ScratchDir dir;
    const std::string binary("\x00\x01Sub X()\r\n\xFF\x00", 14);
    WriteBytes(dir / "bin.bas", binary);
    WriteBytes(dir / "begin.tpl", kBegin);
    WriteBytes(dir / "P.vbp", "Module=b; bin.bas\r\n");
    const CommandResult result = RunCli({"add", (dir / "P.vbp").string(), "--begin", (dir / "begin.tpl").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find((dir / "bin.bas").string() + " holds NUL bytes, so it is no VB6 source; left as it is\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(ReadBytes(dir / "bin.bas"), binary);
}
