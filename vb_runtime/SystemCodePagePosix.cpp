// SystemCodePage on POSIX: one unit at a time through iconv.
#include "vb_runtime/SystemCodePage.h"

#include <cerrno>
#include <iconv.h>

namespace vb {

namespace {

// Windows code page numbers that iconv knows under a name other than
// CPnnn. They are all refused as not supported; naming them lets the user
// learn that rather than read "unknown code page".
std::string IconvName(int32_t codePage) {
    switch (codePage) {
    case 20932:
    case 51932: return "EUC-JP";
    case 54936: return "GB18030";
    case 50220:
    case 50221:
    case 50222: return "ISO-2022-JP";
    case 50225: return "ISO-2022-KR";
    case 50227: return "ISO-2022-CN";
    case 65000: return "UTF-7";
    default: return "CP" + std::to_string(codePage);
    }
}

constexpr size_t kFailed = static_cast<size_t>(-1);

// Room for the output of one unit: a few UTF-16 units or a few bytes plus
// any shift sequence a stateful encoder appends.
constexpr size_t kUnitBuffer = 32;

std::string ToUtf16Le(char16_t unit) {
    return {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
}

Text FromUtf16Le(const char* bytes, size_t size) {
    Text text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return text;
}

}  // namespace

struct SystemCodePage::Converters {
    iconv_t decoder;
    iconv_t encoder;
};

SystemCodePage::SystemCodePage(int32_t codePage) {
    const std::string name = IconvName(codePage);
    const auto failed = reinterpret_cast<iconv_t>(-1);
    const iconv_t decoder = iconv_open("UTF-16LE", name.c_str());
    if (decoder == failed) throw UnknownCodePage(codePage);
    const iconv_t encoder = iconv_open(name.c_str(), "UTF-16LE");
    if (encoder == failed) {
        iconv_close(decoder);
        throw UnknownCodePage(codePage);
    }
    converters_ = std::make_unique<Converters>(Converters{decoder, encoder});
}

SystemCodePage::~SystemCodePage() {
    iconv_close(converters_->decoder);
    iconv_close(converters_->encoder);
}

std::optional<ByteSet> SystemCodePage::ReportedLeadBytes() const { return std::nullopt; }

SystemCodePage::Decoded SystemCodePage::DecodeUnit(std::string_view bytes) {
    const iconv_t cd = converters_->decoder;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char out[kUnitBuffer];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outPtr = out;
    size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == kFailed) {
        return {errno == EINVAL ? Outcome::Incomplete : Outcome::Invalid, {}};
    }
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == kFailed) return {Outcome::Invalid, {}};
    return {Outcome::Converted, FromUtf16Le(out, sizeof out - outLeft)};
}

std::optional<std::string> SystemCodePage::EncodeUnit(char16_t unit) {
    const iconv_t cd = converters_->encoder;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string input = ToUtf16Le(unit);
    char out[kUnitBuffer];
    char* in = input.data();
    size_t inLeft = input.size();
    char* outPtr = out;
    size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == kFailed) return std::nullopt;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == kFailed) return std::nullopt;
    return std::string(out, sizeof out - outLeft);
}

}  // namespace vb
