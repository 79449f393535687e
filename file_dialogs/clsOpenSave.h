// clsOpenSave: the common Open and Save dialogs behind a small record-keeping
// wrapper. Each dialog has a record of its own that carries over between
// calls; the chosen path comes back in File.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <cstdint>
#include <functional>

#include "vb_runtime/Text.h"

/// The members of an OPENFILENAMEA record in their order, with every string
/// member held as text of the object (the record without the reserved tail
/// that later systems added).
struct OpenFileNameRecord {
    int32_t lStructSize = 0;
    HWND hwndOwner = nullptr;
    HINSTANCE hInstance = nullptr;
    Text lpstrFilter;
    Text lpstrCustomFilter;
    int32_t nMaxCustFilter = 0;
    int32_t nFilterIndex = 0;
    Text lpstrFile;
    int32_t nMaxFile = 0;
    Text lpstrFileTitle;
    int32_t nMaxFileTitle = 0;
    Text lpstrInitialDir;
    Text lpstrTitle;
    int32_t Flags = 0;
    int16_t nFileOffset = 0;
    int16_t nFileExtension = 0;
    Text lpstrDefExt;
    LPARAM lCustData = 0;
    LPOFNHOOKPROC lpfnHook = nullptr;
    Text lpTemplateName;
};

class clsOpenSave {
public:
    /// Shows a dialog for the record it is given; non-zero when a file was chosen.
    using DialogFunction = std::function<BOOL(OPENFILENAMEA*)>;

    /// The size that the record declares: the 76-byte layout of the record's members.
    static constexpr int32_t RecordSize = 76;

    /// Uses comdlg32's GetOpenFileNameA and GetSaveFileNameA unless others are given.
    clsOpenSave();
    clsOpenSave(DialogFunction openDialog, DialogFunction saveDialog);

    /// Shows the Open dialog owned by hwnd with the title Caption and sets File
    /// to the chosen path, or to empty text on cancel or failure. Throws
    /// VbError 6 (MaxFile is the smallest 32-bit value) or 5 (MaxFile below 1)
    /// before any dialog is shown; File then keeps its value.
    void OpenFile(HWND hwnd, const Text& Caption);
    /// As OpenFile, with the Save dialog and its own record.
    void SaveFile(HWND hwnd, const Text& Caption);

    const Text& Filter() const { return filter_; }
    void Filter(const Text& vNewValue) { filter_ = vNewValue; }
    int32_t MaxFile() const { return maxFile_; }
    void MaxFile(int32_t vNewValue) { maxFile_ = vNewValue; }
    int32_t Flags() const { return flags_; }
    void Flags(int32_t vNewValue) { flags_ = vNewValue; }
    const Text& File() const { return file_; }
    void File(const Text& vNewValue) { file_ = vNewValue; }

    /// The records as the last call left them.
    const OpenFileNameRecord& OpenRecord() const { return openRecord_; }
    const OpenFileNameRecord& SaveRecord() const { return saveRecord_; }
    /// What the last call of each dialog returned.
    int32_t OpenResult() const { return openResult_; }
    int32_t SaveResult() const { return saveResult_; }

private:
    /// The ten steps shared by OpenFile and SaveFile; returns the dialog's result.
    int32_t ShowDialog(OpenFileNameRecord& record, const DialogFunction& dialog, HWND hwnd, const Text& Caption);

    OpenFileNameRecord saveRecord_;
    OpenFileNameRecord openRecord_;
    int32_t openResult_ = 0;
    int32_t saveResult_ = 0;
    Text filter_;
    int32_t maxFile_ = 255;
    int32_t flags_ = 0;
    Text file_;
    DialogFunction openDialog_;
    DialogFunction saveDialog_;
};
