// CodePageTable: lossless conversion for one single-byte or double-byte code
// page, through decode and encode tables built once from the system's
// converter (SystemCodePage) and never changed afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vb_runtime/SystemCodePage.h"
#include "vb_runtime/Text.h"

namespace vb {

/// The unit that carries a byte a code page leaves undefined: the lone low
/// surrogate U+DC00+byte, which never equals an ASCII character.
constexpr char16_t EscapeUnit(unsigned char byte) { return static_cast<char16_t>(0xDC00 + byte); }

/// Whether `unit` is such an escape (U+DC00..U+DCFF).
constexpr bool IsEscapeUnit(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDCFF; }

class CodePageTable {
public:
    /// The table of `codePage`, built on first use and shared afterwards.
    /// Safe to call from several threads. Throws VbError 5 for a code page
    /// the system does not have ("unknown code page N") and for one whose
    /// characters can be longer than two bytes or that has shift states.
    static const CodePageTable& For(int32_t codePage);

    /// Builds the tables by converting every byte and every lead-trail byte
    /// pair alone (about 65,000 conversions for a double-byte code page).
    /// Throws as For does. Prefer For, which builds each table once.
    explicit CodePageTable(int32_t codePage);

    /// Bytes to Text. A lead byte followed by a trail byte is one unit; a
    /// lead byte followed by anything else (CR, LF, a quote, the end) stands
    /// alone. A unit the code page leaves undefined, or whose character does
    /// not encode back to the same bytes, becomes one escape U+DC00+b per byte
    /// b: never an ASCII unit, and written back unchanged by Encode.
    Text Decode(std::string_view bytes) const;

    /// Text to bytes: each character to its bytes, each escape U+DC00..U+DCFF
    /// to its byte, any other character to "?". Encode(Decode(b)) == b for
    /// every byte string b.
    std::string Encode(TextView text) const;

    /// True when every byte stands for one unit: the code page has no lead bytes.
    bool SingleByte() const { return leadBytes_.none(); }
    /// True when, besides, every byte below 128 stands for that ASCII character.
    bool KeepsAsciiBytes() const {
        if (!SingleByte()) return false;
        for (unsigned b = 0; b < 0x80; ++b) {
            if (singles_[b] != b) return false;
        }
        return true;
    }

private:
    void FillSingleBytes(SystemCodePage& system, int32_t codePage);
    void FillPairs(SystemCodePage& system, int32_t codePage);

    std::array<char16_t, 256> singles_{};  // the unit of each byte standing alone
    ByteSet leadBytes_;
    ByteSet trailBytes_;
    std::vector<char16_t> pairs_;      // lead * 256 + trail -> character, or 0; empty for single-byte pages
    std::vector<uint16_t> encodings_;  // character -> byte, or lead * 256 + trail, or kNoEncoding
};

}  // namespace vb
