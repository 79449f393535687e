// The two forms a module's text is scanned in: decoded UTF-16 units, or the
// file's own bytes when its code page keeps bytes below 128 as ASCII and
// makes every byte one character. Everything the scan looks for is ASCII
// but letters, so both forms give the same lines, key positions and
// headers, and in the byte form a unit's offset is its byte's offset. What
// a unit of 128 or above is (a letter or not) the form's Units tell: in
// UTF-16 the character's own, in bytes the code page's. Only the values
// taken from the text (names, parameters, lines compared with a template)
// are decoded, when they are needed.
//
// The unit-level rules every line rule is made of stand here, once: what a
// blank is, what a name is made of, and the comparison of a start with a
// word, letter case ignored.
#pragma once

#include <array>
#include <bit>
#include <cstring>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "vb_runtime/Letters.h"
#include "vb_runtime/Text.h"

namespace scan {

template <typename Unit>
using UnitView = std::basic_string_view<Unit>;

/// The ASCII letter folded to its small form; every other unit unchanged.
template <typename Unit>
constexpr Unit FoldUnit(Unit c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<Unit>(c + 32) : c;
}

/// The unit as a character: a byte's value as it stands (128 and above
/// are not ASCII, whatever they decode to).
template <typename Unit>
constexpr char16_t UnitAsChar(Unit unit) {
    return static_cast<char16_t>(static_cast<std::make_unsigned_t<Unit>>(unit));
}

/// A blank: a space or a tab.
template <typename Unit>
constexpr bool IsBlankUnit(Unit unit) {
    return unit == ' ' || unit == '\t';
}

template <typename Unit>
constexpr bool IsDigitUnit(Unit unit) {
    return unit >= '0' && unit <= '9';
}

/// The lanes of eight bytes that hold a blank, one high bit each: the
/// blanks of a line's indentation are found eight at a time.
inline uint64_t BlankLanes(const char* at) {
    constexpr uint64_t kOnes = 0x0101010101010101;
    constexpr uint64_t kLow = kOnes * 0x7F;
    uint64_t lanes;
    std::memcpy(&lanes, at, sizeof lanes);
    // A lane is zero exactly where it equals the byte; the zero test is
    // exact in every lane (no borrow crosses lanes).
    auto zeroLanes = [](uint64_t x) { return ~(((x & kLow) + kLow) | x | kLow); };
    return zeroLanes(lanes ^ (kOnes * ' ')) | zeroLanes(lanes ^ (kOnes * '\t'));
}

/// The first unit from `at` on that is not a blank: most texts start with
/// no blank or one; longer runs of bytes are looked at eight at a time.
template <typename Unit>
size_t SkipBlanksFrom(UnitView<Unit> text, size_t at) {
    if constexpr (sizeof(Unit) == 1 && std::endian::native == std::endian::little) {
        while (at + 8 <= text.size()) {
            const uint64_t others = ~BlankLanes(text.data() + at) & uint64_t{0x8080808080808080};
            if (others != 0) return at + static_cast<size_t>(__builtin_ctzll(others)) / 8;
            at += 8;
        }
    }
    while (at < text.size() && IsBlankUnit(text[at])) ++at;
    return at;
}

template <typename Unit>
inline size_t SkipBlanks(UnitView<Unit> text, size_t at) {
    if (at < text.size() && !IsBlankUnit(text[at])) return at;
    if (at + 1 < text.size() && !IsBlankUnit(text[at + 1])) return at + 1;
    return SkipBlanksFrom(text, at);
}

/// True when `text` starts with `word` (small ASCII letters and signs),
/// ASCII letters compared without regard to case.
template <typename Unit>
bool StartsWithNoCase(UnitView<Unit> text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (size_t k = 0; k < word.size(); ++k) {
        // Against a small letter, setting bit 0x20 folds exactly its
        // capital onto it and leaves every other unit different.
        const auto wanted = static_cast<Unit>(word[k]);
        const bool letter = wanted >= 'a' && wanted <= 'z';
        if ((letter ? static_cast<Unit>(text[k] | 0x20) : text[k]) != wanted) return false;
    }
    return true;
}

/// The same for any prefix of decoded text, ASCII letters compared without
/// regard to case.
inline bool StartsWithNoCase(vb::TextView text, vb::TextView prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t k = 0; k < prefix.size(); ++k) {
        if (FoldUnit(text[k]) != FoldUnit(prefix[k])) return false;
    }
    return true;
}
inline bool EndsWithNoCase(vb::TextView text, vb::TextView suffix) {
    return text.size() >= suffix.size() && StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

/// How the units of a scanned text read: which are letters, and their
/// decoded text.
template <typename Unit>
class Units;

template <>
class Units<char16_t> {
public:
    static bool IsLetter(char16_t unit) { return vb::IsLetter(unit); }
    /// A letter, a digit or "_": what a name is made of after its first letter.
    static bool IsNameUnit(char16_t unit) { return IsLetter(unit) || IsDigitUnit(unit) || unit == u'_'; }
    Text operator()(vb::TextView units) const { return Text(units); }
    static void AppendTo(vb::TextView units, Text& out) { out += units; }
};

template <>
class Units<char> {
public:
    /// For the bytes of `codePage`, a code page that keeps ASCII bytes and
    /// makes every byte one character.
    explicit Units(int32_t codePage);
    /// The bits of what a byte is: a letter, and what a name is made of
    /// after its first letter (a letter, a digit or "_").
    static constexpr uint8_t kLetter = 1;
    static constexpr uint8_t kNameUnit = 2;
    bool IsLetter(char unit) const { return ((*classes_)[static_cast<unsigned char>(unit)] & kLetter) != 0; }
    bool IsNameUnit(char unit) const { return ((*classes_)[static_cast<unsigned char>(unit)] & kNameUnit) != 0; }
    Text operator()(std::string_view bytes) const;
    /// The same, appended to `out`. Names, parameters and code lines are
    /// mostly ASCII, which every such code page keeps as it is: widened on
    /// the way, and decoded again only when a byte of 128 or above turns up.
    void AppendTo(std::string_view bytes, Text& out) const {
        const size_t at = out.size();
        out.resize(at + bytes.size());
        char16_t* units = out.data() + at;
        unsigned char high = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            high |= byte;
            units[i] = byte;
        }
        if ((high & 0x80) != 0) Redecode(bytes, at, out);
    }

private:
    // Replaces what AppendTo put at `at` with the bytes decoded.
    void Redecode(std::string_view bytes, size_t at, Text& out) const;

    int32_t codePage_;
    const std::array<uint8_t, 256>* classes_;  // what each byte of the code page is (kLetter, kNameUnit)
};

/// The text units of any scan.
inline const Units<char16_t> kTextUnits{};

}  // namespace scan
