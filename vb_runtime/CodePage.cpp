// Code-page conversion. Windows-1252 goes through our own table everywhere so
// that all 256 byte values round-trip; other code pages go through the
// system's converter (MultiByteToWideChar on Windows, iconv elsewhere).
#include "vb_runtime/CodePage.h"

#include <array>
#include <cstdio>

#include "vb_runtime/VbError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace vb {

namespace {

constexpr int32_t Windows1252 = 1252;
constexpr int32_t Utf8CodePage = 65001;

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// undefined map to the C1 control of the same value, so they round-trip.
constexpr std::array<char16_t, 32> k1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int32_t DefaultCodePage() {
#ifdef _WIN32
    return static_cast<int32_t>(GetACP());
#else
    return Windows1252;
#endif
}

int32_t& CurrentCodePage() {
    static int32_t codePage = DefaultCodePage();
    return codePage;
}

Text Decode1252(std::string_view bytes) {
    Text text(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = (b >= 0x80 && b <= 0x9F) ? k1252High[b - 0x80] : char16_t(b);
    }
    return text;
}

char Encode1252Char(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (size_t k = 0; k < k1252High.size(); ++k) {
        if (k1252High[k] == c) return static_cast<char>(0x80 + k);
    }
    return '?';
}

std::string Encode1252(TextView text) {
    std::string bytes(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) bytes[i] = Encode1252Char(text[i]);
    return bytes;
}

#ifdef _WIN32

Text DecodeSystem(std::string_view bytes, int32_t codePage, const std::string& context) {
    if (bytes.empty()) return Text();
    const int length = MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
    if (length == 0) {
        throw VbError(ErrInvalidArgument, "the text is not valid in code page " + std::to_string(codePage), context);
    }
    Text text(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS, bytes.data(),
                        static_cast<int>(bytes.size()), reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

std::string EncodeSystem(TextView text, int32_t codePage) {
    if (text.empty()) return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = WideCharToMultiByte(static_cast<UINT>(codePage), 0, wide, static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(static_cast<UINT>(codePage), 0, wide, static_cast<int>(text.size()), bytes.data(), length,
                        nullptr, nullptr);
    return bytes;
}

bool SystemKnows(int32_t codePage) { return IsValidCodePage(static_cast<UINT>(codePage)) != 0; }

#else

std::string InvalidByteDescription(unsigned char byte, size_t offset, int32_t codePage) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "byte 0x%02X at offset %zu is not valid in code page %d", byte, offset,
                  codePage);
    return buffer;
}

std::string IconvName(int32_t codePage) {
    return codePage == Utf8CodePage ? std::string("UTF-8") : "CP" + std::to_string(codePage);
}

// An iconv descriptor that is closed on every path.
class Converter {
public:
    Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (Valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return cd_; }

private:
    iconv_t cd_;
};

Text DecodeSystem(std::string_view bytes, int32_t codePage, const std::string& context) {
    Converter converter("UTF-16LE", IconvName(codePage));
    if (!converter.Valid()) throw VbError(ErrInvalidArgument, "unknown code page " + std::to_string(codePage), context);
    std::string out(bytes.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) continue;
        const size_t offset = bytes.size() - inLeft;
        throw VbError(ErrInvalidArgument, InvalidByteDescription(static_cast<unsigned char>(*in), offset, codePage),
                      context);
    }
    iconv(converter.Get(), nullptr, nullptr, &outPtr, &outLeft);
    const size_t produced = out.size() - outLeft;
    Text text(produced / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(out[2 * i]) |
                                        (static_cast<unsigned char>(out[2 * i + 1]) << 8));
    }
    return text;
}

std::string EncodeSystem(TextView text, int32_t codePage) {
    Converter converter(IconvName(codePage), "UTF-16LE");
    if (!converter.Valid()) throw VbError(ErrInvalidArgument, "unknown code page " + std::to_string(codePage));
    std::string in(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        in[2 * i] = static_cast<char>(text[i] & 0xFF);
        in[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    std::string out(text.size() * 4 + 8, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(converter.Get(), &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) continue;
        // A character the code page cannot hold (or a lone surrogate) becomes "?".
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(inPtr[0]) |
                                                (static_cast<unsigned char>(inPtr[1]) << 8));
        const size_t skip = (unit >= 0xD800 && unit <= 0xDBFF && inLeft >= 4) ? 4 : 2;
        inPtr += skip;
        inLeft -= skip;
        *outPtr++ = '?';
        --outLeft;
    }
    iconv(converter.Get(), nullptr, nullptr, &outPtr, &outLeft);
    out.resize(out.size() - outLeft);
    return out;
}

bool SystemKnows(int32_t codePage) { return Converter("UTF-16LE", IconvName(codePage)).Valid(); }

#endif

}  // namespace

int32_t AnsiCodePage() { return CurrentCodePage(); }

void SetAnsiCodePage(int32_t codePage) {
    if (codePage != Windows1252 && !SystemKnows(codePage)) {
        throw VbError(ErrInvalidArgument, "unknown code page " + std::to_string(codePage), {});
    }
    CurrentCodePage() = codePage;
}

Text Decode(std::string_view bytes, int32_t codePage, const std::string& context) {
    if (codePage == Windows1252) return Decode1252(bytes);
    return DecodeSystem(bytes, codePage, context);
}

std::string Encode(TextView text, int32_t codePage) {
    if (codePage == Windows1252) return Encode1252(text);
    return EncodeSystem(text, codePage);
}

Text FromUtf8(std::string_view utf8) {
    Text text;
    text.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        uint32_t code = 0xFFFD;
        size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else {
            size_t extra = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : 0;
            if (lead >= 0xF5) extra = 0;
            uint32_t value = extra == 3 ? lead & 0x07u : extra == 2 ? lead & 0x0Fu : lead & 0x1Fu;
            bool valid = extra > 0 && i + extra < utf8.size();
            for (size_t k = 1; valid && k <= extra; ++k) {
                const auto next = static_cast<unsigned char>(utf8[i + k]);
                valid = (next & 0xC0) == 0x80;
                value = (value << 6) | (next & 0x3Fu);
            }
            const uint32_t minimum = extra == 3 ? 0x10000 : extra == 2 ? 0x800 : 0x80;
            if (valid && value >= minimum && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF)) {
                code = value;
                length = extra + 1;
            }
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return text;
}

std::string ToUtf8(TextView text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            utf8.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            utf8.push_back(static_cast<char>(0xC0 | (code >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            utf8.push_back(static_cast<char>(0xE0 | (code >> 12)));
            utf8.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            utf8.push_back(static_cast<char>(0xF0 | (code >> 18)));
            utf8.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return utf8;
}

}  // namespace vb
