// clsOpenSave: fills a record, converts it to the ANSI OPENFILENAMEA that the
// dialog functions take, and converts everything the dialog wrote back.
#include "file_dialogs/clsOpenSave.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

// The member list of the record is OPENFILENAMEA up to lpTemplateName; on a
// 32-bit build that is exactly the 76 bytes the record declares.
#ifndef _WIN64
static_assert(OPENFILENAME_SIZE_VERSION_400A == clsOpenSave::RecordSize);
#endif

namespace {

// One string member as the dialog sees it: the text in the ANSI code page,
// followed by NULs (two, so that a NUL-separated list ends as the dialog
// expects), and never shorter than the size the record declares for it.
class AnsiBuffer {
public:
    AnsiBuffer(const Text& text, int32_t declaredSize) {
        if (!text.empty()) {
            const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
            const int length =
                WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
            bytes_.resize(static_cast<size_t>(length));
            WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), bytes_.data(), length, nullptr,
                                nullptr);
        }
        textLength_ = bytes_.size();
        const size_t size = std::max(textLength_ + 2, static_cast<size_t>(std::max(declaredSize, 0)));
        bytes_.resize(size, '\0');
    }
    char* Get() { return bytes_.data(); }
    /// The member's characters as the dialog left them, as many as went in.
    Text Back() const {
        if (textLength_ == 0) return Text();
        const int length = MultiByteToWideChar(CP_ACP, 0, bytes_.data(), static_cast<int>(textLength_), nullptr, 0);
        Text text(static_cast<size_t>(length), u'\0');
        MultiByteToWideChar(CP_ACP, 0, bytes_.data(), static_cast<int>(textLength_),
                            reinterpret_cast<wchar_t*>(text.data()), length);
        return text;
    }

private:
    std::vector<char> bytes_;
    size_t textLength_ = 0;
};

// A member the wrapper never sets stays a null pointer while it is empty.
char* PointerOrNull(AnsiBuffer& buffer, const Text& text) { return text.empty() ? nullptr : buffer.Get(); }

// The folder of the running executable, without a trailing separator.
Text ExecutableFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return Text();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    Text folder(path.begin(), path.end());
    const size_t slash = folder.find_last_of(u"\\/");
    if (slash == Text::npos) return Text();
    folder.resize(slash);
    if (folder.size() == 2 && folder[1] == u':') folder += u'\\';
    return folder;
}

}  // namespace

clsOpenSave::clsOpenSave() : clsOpenSave(GetOpenFileNameA, GetSaveFileNameA) {}

clsOpenSave::clsOpenSave(DialogFunction openDialog, DialogFunction saveDialog)
    : openDialog_(std::move(openDialog)), saveDialog_(std::move(saveDialog)) {}

void clsOpenSave::OpenFile(HWND hwnd, const Text& Caption) {
    openResult_ = ShowDialog(openRecord_, openDialog_, hwnd, Caption);
}

void clsOpenSave::SaveFile(HWND hwnd, const Text& Caption) {
    saveResult_ = ShowDialog(saveRecord_, saveDialog_, hwnd, Caption);
}

int32_t clsOpenSave::ShowDialog(OpenFileNameRecord& record, const DialogFunction& dialog, HWND hwnd,
                                const Text& Caption) {
    record.lStructSize = RecordSize;
    record.hwndOwner = hwnd;
    record.hInstance = GetModuleHandleW(nullptr);
    record.lpstrFilter = filter_;
    // The buffers hold MaxFile - 1 characters: the smallest 32-bit value
    // overflows in that subtraction, any other value below 1 is an invalid count.
    if (maxFile_ == INT32_MIN) throw vb::VbError(vb::ErrOverflow, "MaxFile");
    if (maxFile_ < 1) throw vb::VbError(vb::ErrInvalidArgument, "MaxFile");
    record.lpstrFile = Text(static_cast<size_t>(maxFile_ - 1), u' ');
    record.nMaxFile = maxFile_;
    record.lpstrFileTitle = Text(static_cast<size_t>(maxFile_ - 1), u' ');
    record.nMaxFileTitle = 255;
    record.lpstrInitialDir = ExecutableFolder();
    record.lpstrTitle = Caption;
    record.Flags = flags_;

    AnsiBuffer filter(record.lpstrFilter, 0);
    AnsiBuffer customFilter(record.lpstrCustomFilter, record.nMaxCustFilter);
    // The dialog writes up to nMaxFile / nMaxFileTitle bytes into these two,
    // so each is at least that long even where MaxFile makes the text shorter.
    AnsiBuffer file(record.lpstrFile, record.nMaxFile);
    AnsiBuffer fileTitle(record.lpstrFileTitle, record.nMaxFileTitle);
    AnsiBuffer initialDir(record.lpstrInitialDir, 0);
    AnsiBuffer title(record.lpstrTitle, 0);
    AnsiBuffer defExt(record.lpstrDefExt, 0);
    AnsiBuffer templateName(record.lpTemplateName, 0);

    OPENFILENAMEA native{};
    native.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    native.hwndOwner = record.hwndOwner;
    native.hInstance = record.hInstance;
    native.lpstrFilter = filter.Get();
    native.lpstrCustomFilter = PointerOrNull(customFilter, record.lpstrCustomFilter);
    native.nMaxCustFilter = static_cast<DWORD>(record.nMaxCustFilter);
    native.nFilterIndex = static_cast<DWORD>(record.nFilterIndex);
    native.lpstrFile = file.Get();
    native.nMaxFile = static_cast<DWORD>(record.nMaxFile);
    native.lpstrFileTitle = fileTitle.Get();
    native.nMaxFileTitle = static_cast<DWORD>(record.nMaxFileTitle);
    native.lpstrInitialDir = initialDir.Get();
    native.lpstrTitle = title.Get();
    native.Flags = static_cast<DWORD>(record.Flags);
    native.nFileOffset = static_cast<WORD>(record.nFileOffset);
    native.nFileExtension = static_cast<WORD>(record.nFileExtension);
    native.lpstrDefExt = PointerOrNull(defExt, record.lpstrDefExt);
    native.lCustData = record.lCustData;
    native.lpfnHook = record.lpfnHook;
    native.lpTemplateName = PointerOrNull(templateName, record.lpTemplateName);

    const int32_t result = dialog(&native);

    record.hwndOwner = native.hwndOwner;
    record.hInstance = native.hInstance;
    record.lpstrFilter = filter.Back();
    record.lpstrCustomFilter = customFilter.Back();
    record.nMaxCustFilter = static_cast<int32_t>(native.nMaxCustFilter);
    record.nFilterIndex = static_cast<int32_t>(native.nFilterIndex);
    record.lpstrFile = file.Back();
    record.nMaxFile = static_cast<int32_t>(native.nMaxFile);
    record.lpstrFileTitle = fileTitle.Back();
    record.nMaxFileTitle = static_cast<int32_t>(native.nMaxFileTitle);
    record.lpstrInitialDir = initialDir.Back();
    record.lpstrTitle = title.Back();
    record.Flags = static_cast<int32_t>(native.Flags);
    record.nFileOffset = static_cast<int16_t>(native.nFileOffset);
    record.nFileExtension = static_cast<int16_t>(native.nFileExtension);
    record.lpstrDefExt = defExt.Back();
    record.lCustData = native.lCustData;
    record.lpfnHook = native.lpfnHook;
    record.lpTemplateName = templateName.Back();

    if (result != 0) {
        const size_t nul = record.lpstrFile.find(u'\0');
        file_ = vb::Trim(vb::TextView(record.lpstrFile).substr(0, nul));
    } else {
        file_.clear();
    }
    return result;
}
