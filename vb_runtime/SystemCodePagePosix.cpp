// SystemCodePage on POSIX: one unit at a time through iconv.
#include "vb_runtime/SystemCodePage.h"

#include <cerrno>
#include <iconv.h>

namespace vb {

namespace {

// The iconv names of the Windows code page numbers that iconv does not
// know as CPnnn: single-byte code pages it converts (ISO 8859, US-ASCII,
// KOI8, Mac, EBCDIC), and multi-byte ones that are refused as not supported,
// named so that the user learns that rather than read "unknown code page".
std::string IconvName(int32_t codePage) {
    if (codePage >= 28591 && codePage <= 28599) return "ISO-8859-" + std::to_string(codePage - 28590);
    switch (codePage) {
    case 37: return "IBM037";
    case 708: return "ISO-8859-6";  // ASMO-708
    case 10000: return "MACINTOSH";
    case 10017: return "MAC-UK";  // Mac Ukrainian
    case 10029: return "MAC-CENTRALEUROPE";
    case 10079: return "MAC-IS";
    case 20127: return "ASCII";
    case 20273:
    case 20277:
    case 20278:
    case 20280:
    case 20284:
    case 20285:
    case 20290:
    case 20297:
    case 20420:
    case 20423:
    case 20424:
    case 20871:
    case 20880:
    case 20905: return "IBM" + std::to_string(codePage - 20000);  // EBCDIC
    case 20866: return "KOI8-R";
    case 21025: return "IBM1025";
    case 21866: return "KOI8-U";
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    case 38598: return "ISO-8859-8";  // logical order, which iconv does not tell from 28598
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
