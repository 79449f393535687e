// SystemCodePage on Windows: one unit at a time through MultiByteToWideChar
// and WideCharToMultiByte; GetCPInfo tells the lead bytes.
#include "vb_runtime/SystemCodePage.h"

#include <windows.h>

namespace vb {

namespace {

ByteSet LeadBytesOf(const CPINFO& info) {
    ByteSet leads;
    for (int k = 0; k + 1 < MAX_LEADBYTES && info.LeadByte[k] != 0; k += 2) {
        for (unsigned b = info.LeadByte[k]; b <= info.LeadByte[k + 1]; ++b) leads.set(b);
    }
    return leads;
}

}  // namespace

struct SystemCodePage::Converters {
    UINT codePage;
    ByteSet leadBytes;
};

SystemCodePage::SystemCodePage(int32_t codePage) {
    const auto id = static_cast<UINT>(codePage);
    CPINFO info{};
    if (!IsValidCodePage(id) || !GetCPInfo(id, &info)) throw UnknownCodePage(codePage);
    if (info.MaxCharSize > 2) throw UnsupportedCodePage(codePage);
    converters_ = std::make_unique<Converters>(Converters{id, LeadBytesOf(info)});
}

SystemCodePage::~SystemCodePage() = default;

std::optional<ByteSet> SystemCodePage::ReportedLeadBytes() const { return converters_->leadBytes; }

SystemCodePage::Decoded SystemCodePage::DecodeUnit(std::string_view bytes) {
    wchar_t out[8];
    const int length = MultiByteToWideChar(converters_->codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), out, 8);
    if (length <= 0) return {Outcome::Invalid, {}};
    return {Outcome::Converted, Text(reinterpret_cast<const char16_t*>(out), static_cast<size_t>(length))};
}

std::optional<std::string> SystemCodePage::EncodeUnit(char16_t unit) {
    const auto wide = static_cast<wchar_t>(unit);
    char out[8];
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(converters_->codePage, WC_NO_BEST_FIT_CHARS, &wide, 1, out, sizeof out,
                                           nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return std::nullopt;
    return std::string(out, static_cast<size_t>(length));
}

}  // namespace vb
