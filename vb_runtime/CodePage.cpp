// Code-page conversion, lossless in every code page. Windows-1252 has its
// own table everywhere (all 256 byte values map to characters); UTF-8 has a
// decoder of its own that escapes what is not valid; every other code page
// goes through a CodePageTable probed from the system's converter.
#include "vb_runtime/CodePage.h"

#include <array>

#include "vb_runtime/CodePageTable.h"
#include "vb_runtime/VbError.h"

#ifdef _WIN32
#include <windows.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
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

char16_t Decode1252Byte(unsigned char b) { return (b >= 0x80 && b <= 0x9F) ? k1252High[b - 0x80] : char16_t(b); }

// Decodes in chunks through a small buffer and appends them, so that the
// result is written once rather than first filled with zeros.
Text Decode1252(std::string_view bytes) {
    Text text;
    text.reserve(bytes.size());
    char16_t chunk[512];
    for (size_t from = 0; from < bytes.size(); from += std::size(chunk)) {
        const std::string_view piece = bytes.substr(from, std::size(chunk));
        size_t i = 0;
#if defined(__SSE2__)
        // Sixteen ASCII bytes at a time: each is its own unit.
        const __m128i zero = _mm_setzero_si128();
        for (; i + 16 <= piece.size(); i += 16) {
            const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(piece.data() + i));
            if (_mm_movemask_epi8(sixteen) != 0) {
                for (size_t k = i; k < i + 16; ++k) chunk[k] = Decode1252Byte(static_cast<unsigned char>(piece[k]));
                continue;
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(chunk + i), _mm_unpacklo_epi8(sixteen, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(chunk + i + 8), _mm_unpackhi_epi8(sixteen, zero));
        }
#endif
        for (; i < piece.size(); ++i) chunk[i] = Decode1252Byte(static_cast<unsigned char>(piece[i]));
        text.append(chunk, piece.size());
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

// Encodes into `out`, which has room for text.size() bytes.
void Encode1252Into(TextView text, char* out) {
    size_t i = 0;
#if defined(__SSE2__)
    // Eight ASCII units at a time: each is its own byte.
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const __m128i high = _mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) {
            for (size_t k = i; k < i + 8; ++k) out[k] = Encode1252Char(text[k]);
            continue;
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(units, units));
    }
#endif
    for (; i < text.size(); ++i) out[i] = Encode1252Char(text[i]);
}

std::string Encode1252(TextView text) {
    std::string bytes(text.size(), '\0');
    Encode1252Into(text, bytes.data());
    return bytes;
}

// UTF-8 sequences and UTF-16 code units.

constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

struct Character {
    char32_t code;
    size_t length;  // in bytes or in UTF-16 units
};

bool IsSurrogate(char32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

// How many continuation bytes follow a UTF-8 lead byte; 0 for a byte that
// cannot start a sequence of more than one byte.
size_t ContinuationByteCount(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return 0;
}

// The character whose UTF-8 sequence starts at utf8[i], or kNotUtf8 with
// length 1 when no valid, shortest-form sequence starts there.
Character ReadUtf8(std::string_view utf8, size_t i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) return {lead, 1};
    const size_t extra = ContinuationByteCount(lead);
    if (extra == 0 || i + extra >= utf8.size()) return {kNotUtf8, 1};
    char32_t code = lead & (extra == 3 ? 0x07u : extra == 2 ? 0x0Fu : 0x1Fu);
    for (size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(utf8[i + k]);
        if ((next & 0xC0) != 0x80) return {kNotUtf8, 1};
        code = (code << 6) | (next & 0x3Fu);
    }
    const char32_t minimum = extra == 3 ? 0x10000 : extra == 2 ? 0x800 : 0x80;
    if (code < minimum || code > 0x10FFFF || IsSurrogate(code)) return {kNotUtf8, 1};
    return {code, extra + 1};
}

// The character at text[i]: a surrogate pair counts as one; a lone
// surrogate comes back as itself.
Character ReadUtf16(TextView text, size_t i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        return {0x10000 + ((unit - 0xD800u) << 10) + (text[i + 1] - 0xDC00u), 2};
    }
    return {unit, 1};
}

void AppendUtf16(Text& text, char32_t code) {
    if (code < 0x10000) {
        text.push_back(static_cast<char16_t>(code));
        return;
    }
    code -= 0x10000;
    text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

void AppendUtf8(std::string& utf8, char32_t code) {
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

// UTF-8 file contents: each byte of a sequence that is not valid UTF-8
// (a stray byte, a truncated, overlong or surrogate sequence) becomes an
// escape, so every byte string round-trips.
Text DecodeUtf8Lossless(std::string_view bytes) {
    Text text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const Character character = ReadUtf8(bytes, i);
        if (character.code == kNotUtf8) {
            text.push_back(EscapeUnit(static_cast<unsigned char>(bytes[i])));
        } else {
            AppendUtf16(text, character.code);
        }
        i += character.length;
    }
    return text;
}

// Escapes of bytes 0x80..0xFF go back to their byte; other lone surrogates
// cannot be written in UTF-8 and become "?".
std::string EncodeUtf8Lossless(TextView text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const Character character = ReadUtf16(text, i);
        if (character.code >= EscapeUnit(0x80) && character.code <= EscapeUnit(0xFF)) {
            bytes.push_back(static_cast<char>(character.code & 0xFF));
        } else if (IsSurrogate(character.code)) {
            bytes.push_back('?');
        } else {
            AppendUtf8(bytes, character.code);
        }
        i += character.length;
    }
    return bytes;
}

// The table of a code page for a file named by `context`.
const CodePageTable& TableFor(int32_t codePage, const std::string& context) {
    try {
        return CodePageTable::For(codePage);
    } catch (const VbError& error) {
        throw VbError(error.Number(), error.Description(), context);
    }
}

}  // namespace

int32_t AnsiCodePage() { return CurrentCodePage(); }

void SetAnsiCodePage(int32_t codePage) {
    // Building the table refuses unknown and unsupported code pages, and
    // does the probing once, before any file is read.
    if (codePage != Windows1252 && codePage != Utf8CodePage) CodePageTable::For(codePage);
    CurrentCodePage() = codePage;
}

bool IsSingleByteCodePage(int32_t codePage) {
    if (codePage == Windows1252) return true;
    if (codePage == Utf8CodePage) return false;
    return CodePageTable::For(codePage).SingleByte();
}

bool KeepsAsciiBytes(int32_t codePage) {
    if (codePage == Windows1252) return true;
    if (codePage == Utf8CodePage) return false;
    return CodePageTable::For(codePage).KeepsAsciiBytes();
}

Text Decode(std::string_view bytes, int32_t codePage, const std::string& context) {
    if (codePage == Windows1252) return Decode1252(bytes);
    if (codePage == Utf8CodePage) return DecodeUtf8Lossless(bytes);
    return TableFor(codePage, context).Decode(bytes);
}

void AppendEncoded(TextView text, int32_t codePage, std::string& out) {
    if (codePage != Windows1252) {
        out += Encode(text, codePage);
        return;
    }
    const size_t at = out.size();
    out.resize(at + text.size());
    Encode1252Into(text, out.data() + at);
}

std::string Encode(TextView text, int32_t codePage) {
    if (codePage == Windows1252) return Encode1252(text);
    if (codePage == Utf8CodePage) return EncodeUtf8Lossless(text);
    return TableFor(codePage, {}).Encode(text);
}

Text DecodeTextFile(std::string_view bytes, int32_t codePage) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.substr(0, kByteOrderMark.size()) != kByteOrderMark) return Decode(bytes, codePage);
    const Text text = FromUtf8(bytes.substr(kByteOrderMark.size()));
    const Text held = Decode(Encode(text, codePage), codePage);
    for (size_t k = 0; k < text.size(); ++k) {
        if (k < held.size() && held[k] == text[k]) continue;
        const size_t length = k + 1 < text.size() && text[k] >= 0xD800 && text[k] <= 0xDBFF ? 2 : 1;
        throw VbError(ErrInvalidArgument, "it holds \"" + ToUtf8(TextView(text).substr(k, length)) + "\", which code page " +
                                              std::to_string(codePage) + " lacks");
    }
    return text;
}

Text FromUtf8(std::string_view utf8) {
    Text text;
    text.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const Character character = ReadUtf8(utf8, i);
        AppendUtf16(text, character.code == kNotUtf8 ? 0xFFFD : character.code);
        i += character.length;
    }
    return text;
}

std::string ToUtf8(TextView text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const Character character = ReadUtf16(text, i);
        AppendUtf8(utf8, IsSurrogate(character.code) ? 0xFFFD : character.code);
        i += character.length;
    }
    return utf8;
}

}  // namespace vb
