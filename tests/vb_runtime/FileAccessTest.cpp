// File access: ordinary-file lookup, Windows paths on POSIX, and writes that
// replace a file in one step.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "vb_runtime/BackgroundFlush.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/VbError.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

int32_t WriteError(const Text& path, const std::string& bytes) {
    try {
        vb::WriteFileBytes(path, bytes);
    } catch (const vb::VbError& error) {
        return error.Number();
    }
    return 0;
}

size_t EntryCount(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

}  // namespace

TEST(OrdinaryFile, HiddenFilesAndFoldersDoNotCount) {
    ScratchDir dir;
    WriteBytes(dir / "a.bas", "x");
    WriteBytes(dir / ".hidden.bas", "x");
    fs::create_directory(dir / "folder.bas");
    EXPECT_TRUE(vb::IsOrdinaryFile(PathText(dir / "a.bas")));
    EXPECT_FALSE(vb::IsOrdinaryFile(PathText(dir / ".hidden.bas")));
    EXPECT_FALSE(vb::IsOrdinaryFile(PathText(dir / "folder.bas")));
    EXPECT_FALSE(vb::IsOrdinaryFile(PathText(dir / "missing.bas")));
}

TEST(NativePath, BackslashesAndLetterCaseAsWindowsFindsThem) {
    ScratchDir dir;
    fs::create_directories(dir / "Src" / "Forms");
    WriteBytes(dir / "Src" / "Forms" / "Main.frm", "form");
    const std::string root = dir.path().string();
    EXPECT_EQ(vb::ReadFileBytes(PathText(root + "\\src\\FORMS\\main.FRM")), "form");
    EXPECT_EQ(vb::ReadFileBytes(PathText(root + "/Src/Forms/../Forms/MAIN.frm")), "form");
    EXPECT_EQ(vb::NativePath(PathText(root + "\\SRC\\nothing\\x.bas")), root + "/Src/nothing/x.bas");
}

TEST(ReadFileBytes, ErrorsNameThePath) {
    ScratchDir dir;
    fs::create_directory(dir / "folder");
    struct Row {
        fs::path path;
        int32_t number;
    };
    for (const Row& row : {Row{dir / "missing.bas", 53}, Row{dir / "folder", 75}}) {
        SCOPED_TRACE(row.path.string());
        try {
            vb::ReadFileBytes(PathText(row.path));
            ADD_FAILURE() << "no error";
        } catch (const vb::VbError& error) {
            EXPECT_EQ(error.Number(), row.number);
            EXPECT_EQ(error.Context(), row.path.string());
        }
    }
}

TEST(WriteFileBytes, ReplacesContentKeepsPermissionsAndLeavesNoTemporaryFile) {
    ScratchDir dir;
    const fs::path file = dir / "Module1.bas";
    WriteBytes(file, "old content that is longer");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    vb::WriteFileBytes(PathText(file), "new");
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntryCount(dir.path()), 1u);

    vb::WriteFileBytes(PathText(dir / "New.bas"), "");
    EXPECT_EQ(ReadBytes(dir / "New.bas"), "");
    EXPECT_EQ(EntryCount(dir.path()), 2u);
}

TEST(WriteFileBytes, WritesThroughASymbolicLink) {
    ScratchDir dir;
    fs::create_directory(dir / "real");
    WriteBytes(dir / "real" / "a.bas", "old");
    fs::create_symlink(dir / "real" / "a.bas", dir / "link.bas");
    vb::WriteFileBytes(PathText(dir / "link.bas"), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.bas"));
    EXPECT_EQ(ReadBytes(dir / "real" / "a.bas"), "new");
    EXPECT_EQ(EntryCount(dir.path()), 2u);
    EXPECT_EQ(EntryCount(dir / "real"), 1u);
}

TEST(WriteFileBytes, RefusesBeforeWritingAnything) {
    ScratchDir dir;
    const fs::path readOnly = dir / "ReadOnly.bas";
    WriteBytes(readOnly, "keep");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    fs::create_directory(dir / "folder.bas");

    struct Row {
        const char* name;
        fs::path path;
        int32_t number;
    };
    const Row rows[] = {
        {"read-only file", readOnly, 70},
        {"a folder in its place", dir / "folder.bas", 75},
        {"folder missing", dir / "nowhere" / "a.bas", 76},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(WriteError(PathText(row.path), "new"), row.number);
        EXPECT_THROW(vb::CheckWritable(PathText(row.path)), vb::VbError);
    }
    EXPECT_EQ(ReadBytes(readOnly), "keep");
    EXPECT_EQ(EntryCount(dir.path()), 2u);
    EXPECT_NO_THROW(vb::CheckWritable(PathText(dir / "fresh.bas")));
}

TEST(PendingWrite, NothingIsVisibleUntilCommittedAndNothingIsLeftWhenAbandoned) {
    ScratchDir dir;
    WriteBytes(dir / "a.bas", "old a");
    WriteBytes(dir / "b.bas", "old b");
    fs::permissions(dir / "b.bas", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    {
        std::vector<vb::PendingWrite> writes;
        writes.emplace_back(PathText(dir / "a.bas"), "new a");
        writes.emplace_back(PathText(dir / "b.bas"), "new b");
        writes.emplace_back(PathText(dir / "c.bas"), "new c");
        EXPECT_EQ(ReadBytes(dir / "a.bas"), "old a");
        EXPECT_EQ(EntryCount(dir.path()), 2u) << "the new contents have no names yet";
        vb::PendingWrite::FlushAll({&writes[0], &writes[1]});
        writes[1].Commit();
        EXPECT_EQ(ReadBytes(dir / "b.bas"), "new b");
        EXPECT_EQ(fs::status(dir / "b.bas").permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
    EXPECT_EQ(ReadBytes(dir / "a.bas"), "old a") << "an abandoned write changes nothing";
    EXPECT_FALSE(fs::exists(dir / "c.bas"));
    EXPECT_EQ(EntryCount(dir.path()), 2u) << "and leaves no temporary file";

    // A target that turned read-only after the write was prepared is refused.
    vb::PendingWrite late(PathText(dir / "a.bas"), "late");
    fs::permissions(dir / "a.bas", fs::perms::owner_read);
    try {
        late.Commit();
        ADD_FAILURE() << "no error";
    } catch (const vb::VbError& error) {
        EXPECT_EQ(error.Number(), vb::ErrPermissionDenied);
    }
    EXPECT_EQ(ReadBytes(dir / "a.bas"), "old a");
}

TEST(PendingWrite, ContentWrittenInStepsIsTheWholeContent) {
    ScratchDir dir;
    WriteBytes(dir / "a.bas", "old a");
    fs::permissions(dir / "a.bas", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    {
        vb::PendingWrite write(PathText(dir / "a.bas"));
        for (const char* piece : {"new ", "", "content ", "in pieces"}) write.Append(piece);
        vb::PendingWrite abandoned(PathText(dir / "b.bas"));
        abandoned.Append("never sealed");
        write.Commit();  // seals first
    }
    EXPECT_EQ(ReadBytes(dir / "a.bas"), "new content in pieces");
    EXPECT_EQ(fs::status(dir / "a.bas").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntryCount(dir.path()), 1u) << "the abandoned write leaves nothing";

    // The target is checked before anything is written.
    fs::permissions(dir / "a.bas", fs::perms::owner_read);
    try {
        vb::PendingWrite refused(PathText(dir / "a.bas"));
        ADD_FAILURE() << "no error";
    } catch (const vb::VbError& error) {
        EXPECT_EQ(error.Number(), vb::ErrPermissionDenied);
    }
    EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(BackgroundFlush, FlushesWhileNothingIsVisibleAndCommitsStillReplace) {
    ScratchDir dir;
    constexpr int kFiles = 60;
    for (int i = 0; i < kFiles; ++i) WriteBytes(dir / ("m" + std::to_string(i) + ".bas"), "old");
    std::vector<std::unique_ptr<vb::PendingWrite>> writes;
    {
        vb::BackgroundFlush flush;
        for (int i = 0; i < kFiles; ++i) {
            const Text path = PathText(dir / ("m" + std::to_string(i) + ".bas"));
            writes.push_back(std::make_unique<vb::PendingWrite>(path, "new " + std::to_string(i)));
            flush.Submit(*writes.back());
        }
        flush.Finish();
        EXPECT_EQ(EntryCount(dir.path()), static_cast<size_t>(kFiles)) << "flushed contents have no names yet";
        EXPECT_EQ(ReadBytes(dir / "m7.bas"), "old");
    }
    std::vector<vb::PendingWrite*> all;
    for (auto& write : writes) all.push_back(write.get());
    vb::PendingWrite::FlushAll(all);
    for (auto& write : writes) write->Commit();
    for (int i = 0; i < kFiles; ++i) EXPECT_EQ(ReadBytes(dir / ("m" + std::to_string(i) + ".bas")), "new " + std::to_string(i));
    EXPECT_EQ(EntryCount(dir.path()), static_cast<size_t>(kFiles));
}
