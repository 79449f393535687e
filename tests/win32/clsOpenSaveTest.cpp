// clsOpenSave with a scripted dialog: how the record is filled, what carries
// over between calls, how File is taken from the returned buffer; and the
// real comdlg32 dialog under Wine, cancelled and answered.
#include <windows.h>
#include <dlgs.h>

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "file_dialogs/clsOpenSave.h"
#include "vb_runtime/VbError.h"

namespace {

// A dialog that keeps a copy of the record it was given and answers by a function.
struct RecordingDialog {
    std::vector<OPENFILENAMEA> seen;
    std::vector<std::string> files, fileTitles, initialDirs, titles, filters;
    std::function<BOOL(OPENFILENAMEA*)> answer = [](OPENFILENAMEA*) { return FALSE; };

    clsOpenSave::DialogFunction Function() {
        return [this](OPENFILENAMEA* record) {
            seen.push_back(*record);
            files.emplace_back(record->lpstrFile);
            fileTitles.emplace_back(record->lpstrFileTitle);
            initialDirs.emplace_back(record->lpstrInitialDir);
            titles.emplace_back(record->lpstrTitle);
            const char* end = record->lpstrFilter;
            while (end[0] || end[1]) ++end;
            filters.emplace_back(record->lpstrFilter, end + 2);
            return answer(record);
        };
    }
};

std::string ExecutableFolderAnsi() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

BOOL Choose(OPENFILENAMEA* record, const char* path) {
    lstrcpynA(record->lpstrFile, path, static_cast<int>(record->nMaxFile));
    return TRUE;
}

TEST(clsOpenSave, OpenFileFillsTheRecordAsTheTenStepsSay) {
    RecordingDialog open;
    clsOpenSave dialogs(open.Function(), nullptr);
    EXPECT_EQ(dialogs.MaxFile(), 255);
    EXPECT_EQ(dialogs.Flags(), 0);
    dialogs.Filter(Text(u"Project Files (*.vbp)") + u'\0' + u"*.vbp");
    dialogs.Flags(OFN_HIDEREADONLY);
    HWND owner = GetDesktopWindow();
    dialogs.OpenFile(owner, u"Open Project");

    ASSERT_EQ(open.seen.size(), 1u);
    const OPENFILENAMEA& record = open.seen[0];
    EXPECT_EQ(record.lStructSize, static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A));
    EXPECT_EQ(dialogs.OpenRecord().lStructSize, 76);
    EXPECT_EQ(record.hwndOwner, owner);
    EXPECT_EQ(record.hInstance, GetModuleHandleW(nullptr));
    EXPECT_EQ(open.filters[0], std::string("Project Files (*.vbp)\0*.vbp\0\0", 29));
    EXPECT_EQ(open.files[0], std::string(254, ' '));
    EXPECT_EQ(record.nMaxFile, 255u);
    EXPECT_EQ(open.fileTitles[0], std::string(254, ' '));
    EXPECT_EQ(record.nMaxFileTitle, 255u);
    EXPECT_EQ(open.initialDirs[0], ExecutableFolderAnsi());
    EXPECT_EQ(open.titles[0], "Open Project");
    EXPECT_EQ(record.Flags, static_cast<DWORD>(OFN_HIDEREADONLY));
    // Never set by the wrapper.
    EXPECT_EQ(record.lpstrCustomFilter, nullptr);
    EXPECT_EQ(record.nFilterIndex, 0u);
    EXPECT_EQ(record.lpstrDefExt, nullptr);
    EXPECT_EQ(record.lpfnHook, nullptr);
    EXPECT_EQ(record.lpTemplateName, nullptr);
    EXPECT_EQ(record.lCustData, 0);
}

TEST(clsOpenSave, FileIsTheReturnedPathCutAtItsNulAndTrimmed) {
    struct Row {
        const char* written;
        const char16_t* file;
    };
    const Row rows[] = {
        {"C:\\Work\\Demo.vbp", u"C:\\Work\\Demo.vbp"},
        {"  C:\\My Work\\Demo.vbp  ", u"C:\\My Work\\Demo.vbp"},
        {"", u""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        RecordingDialog open;
        // The dialog writes the path and its NUL over the spaces; the rest of
        // the buffer keeps the spaces it was given.
        open.answer = [&](OPENFILENAMEA* record) {
            memcpy(record->lpstrFile, row.written, strlen(row.written) + 1);
            return TRUE;
        };
        clsOpenSave dialogs(open.Function(), nullptr);
        dialogs.OpenFile(nullptr, u"Open Project");
        EXPECT_EQ(dialogs.File(), row.file);
        EXPECT_EQ(dialogs.OpenResult(), 1);
        EXPECT_EQ(dialogs.File().find(u'\0'), Text::npos);
    }
}

TEST(clsOpenSave, APathOfMaxFileMinusOneCharactersFits) {
    const std::string path = "C:\\" + std::string(247, 'a') + ".vbp";
    ASSERT_EQ(path.size(), 254u);
    RecordingDialog open;
    open.answer = [&](OPENFILENAMEA* record) { return Choose(record, path.c_str()); };
    clsOpenSave dialogs(open.Function(), nullptr);
    dialogs.OpenFile(nullptr, u"Open Project");
    EXPECT_EQ(dialogs.File(), Text(path.begin(), path.end()));
}

TEST(clsOpenSave, CancelEmptiesFileAndTheBufferNeverStartsFromFile) {
    RecordingDialog open;
    clsOpenSave dialogs(open.Function(), nullptr);
    dialogs.File(u"C:\\Before\\Old.vbp");
    dialogs.OpenFile(nullptr, u"Open Project");
    EXPECT_EQ(open.files[0], std::string(254, ' '));
    EXPECT_EQ(dialogs.File(), u"");
    EXPECT_EQ(dialogs.OpenResult(), 0);
}

TEST(clsOpenSave, TheOpenRecordKeepsWhatTheDialogLeftAndSaveStartsFromItsOwn) {
    RecordingDialog open;
    open.answer = [](OPENFILENAMEA* record) {
        record->nFilterIndex = 1;
        record->nFileOffset = 8;
        record->nFileExtension = 13;
        return Choose(record, "C:\\Work\\Demo.vbp");
    };
    RecordingDialog save;
    save.answer = [](OPENFILENAMEA* record) { return Choose(record, "C:\\Work\\Saved.bas"); };
    clsOpenSave dialogs(open.Function(), save.Function());

    dialogs.OpenFile(nullptr, u"Open Project");
    dialogs.OpenFile(nullptr, u"Open Project");
    ASSERT_EQ(open.seen.size(), 2u);
    EXPECT_EQ(open.seen[1].nFilterIndex, 1u);
    EXPECT_EQ(open.seen[1].nFileOffset, 8);
    EXPECT_EQ(open.seen[1].nFileExtension, 13);
    EXPECT_EQ(dialogs.OpenRecord().nFilterIndex, 1);

    dialogs.SaveFile(nullptr, u"Save");
    ASSERT_EQ(save.seen.size(), 1u);
    EXPECT_EQ(save.seen[0].nFilterIndex, 0u);
    EXPECT_EQ(save.seen[0].nFileOffset, 0);
    EXPECT_EQ(save.titles[0], "Save");
    EXPECT_EQ(dialogs.File(), u"C:\\Work\\Saved.bas");
    EXPECT_EQ(dialogs.SaveResult(), 1);
    EXPECT_EQ(dialogs.OpenResult(), 1);
}

TEST(clsOpenSave, StringMembersComeBackAsManyCharactersAsWentIn) {
    RecordingDialog open;
    open.answer = [](OPENFILENAMEA* record) {
        // Overwrite the title in place and put a NUL inside it.
        char* title = const_cast<char*>(record->lpstrTitle);
        title[0] = 'X';
        title[4] = '\0';
        return FALSE;
    };
    clsOpenSave dialogs(open.Function(), nullptr);
    dialogs.OpenFile(nullptr, u"Open Project");
    EXPECT_EQ(dialogs.OpenRecord().lpstrTitle, Text(u"Xpen\0Project", 12));
    EXPECT_EQ(dialogs.OpenRecord().lpstrFile, Text(254, u' '));
}

TEST(clsOpenSave, MaxFileBelowOneFailsBeforeAnyDialog) {
    struct Row {
        int32_t maxFile;
        int32_t error;
    };
    const Row rows[] = {{INT32_MIN, vb::ErrOverflow}, {INT32_MIN + 1, vb::ErrInvalidArgument},
                        {-1, vb::ErrInvalidArgument}, {0, vb::ErrInvalidArgument}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.maxFile);
        RecordingDialog open;
        clsOpenSave dialogs(open.Function(), open.Function());
        dialogs.File(u"C:\\Kept.vbp");
        dialogs.MaxFile(row.maxFile);
        for (bool save : {false, true}) {
            try {
                save ? dialogs.SaveFile(nullptr, u"Save") : dialogs.OpenFile(nullptr, u"Open Project");
                ADD_FAILURE() << "no error";
            } catch (const vb::VbError& error) {
                EXPECT_EQ(error.Number(), row.error);
            }
        }
        EXPECT_TRUE(open.seen.empty());
        EXPECT_EQ(dialogs.File(), u"C:\\Kept.vbp");
    }
}

TEST(clsOpenSave, ASmallMaxFileStillGivesTheDialogRoomForTheDeclaredTitle) {
    RecordingDialog open;
    open.answer = [](OPENFILENAMEA* record) {
        // The dialog may fill nMaxFileTitle bytes, whatever MaxFile was.
        memset(record->lpstrFileTitle, 'T', record->nMaxFileTitle - 1);
        record->lpstrFileTitle[record->nMaxFileTitle - 1] = '\0';
        return Choose(record, "C:\\a.vbp");
    };
    clsOpenSave dialogs(open.Function(), nullptr);
    dialogs.MaxFile(10);
    dialogs.OpenFile(nullptr, u"Open Project");
    EXPECT_EQ(open.seen[0].nMaxFile, 10u);
    EXPECT_EQ(open.files[0], std::string(9, ' '));
    EXPECT_EQ(open.seen[0].nMaxFileTitle, 255u);
    EXPECT_EQ(dialogs.OpenRecord().lpstrFileTitle, Text(9, u'T'));
    EXPECT_EQ(dialogs.File(), u"C:\\a.vbp");
}

// The real common dialog, found by its title and answered like a user would.
class RealDialog : public testing::Test {
protected:
    static inline std::string typedName;
    static inline bool seen = false;
    static void CALLBACK Answer(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND dialog = FindWindowW(L"#32770", L"Open Project");
        if (!dialog || !IsWindowVisible(dialog)) return;
        KillTimer(nullptr, timer);
        seen = true;
        if (typedName.empty()) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        // The file name box (cmb13, or edt1 in the old-style dialog).
        HWND name = GetDlgItem(dialog, cmb13);
        if (!name) name = GetDlgItem(dialog, edt1);
        SetWindowTextA(name, typedName.c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
};

TEST_F(RealDialog, CancelGivesAnEmptyFile) {
    typedName.clear();
    seen = false;
    clsOpenSave dialogs;
    dialogs.File(u"C:\\Before.vbp");
    dialogs.Filter(Text(u"Project Files (*.vbp)") + u'\0' + u"*.vbp");
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, Answer);
    dialogs.OpenFile(nullptr, u"Open Project");
    KillTimer(nullptr, timer);
    EXPECT_TRUE(seen);
    EXPECT_EQ(dialogs.File(), u"");
    EXPECT_EQ(dialogs.OpenResult(), 0);
}

TEST_F(RealDialog, ATypedNameComesBackAsFile) {
    wintest::ScratchDir folder;
    wintest::WriteBytes(folder / "Demo.vbp", "Name=\"Demo\"\r\n");
    typedName = (folder / "Demo.vbp").string();
    seen = false;
    clsOpenSave dialogs;
    dialogs.Filter(Text(u"Project Files (*.vbp)") + u'\0' + u"*.vbp");
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, Answer);
    dialogs.OpenFile(nullptr, u"Open Project");
    KillTimer(nullptr, timer);
    EXPECT_TRUE(seen);
    EXPECT_EQ(dialogs.File(), wintest::PathText(folder / "Demo.vbp"));
    EXPECT_NE(dialogs.OpenResult(), 0);
    EXPECT_EQ(dialogs.OpenRecord().nFilterIndex, 1);
}

}  // namespace
