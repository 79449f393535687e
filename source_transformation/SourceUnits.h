// The two forms a module's text is scanned in: decoded UTF-16 units, or the
// file's own bytes when its code page keeps bytes below 128 as ASCII and
// makes every byte one character. Everything the scan looks for is ASCII,
// so both forms give the same lines, key positions and headers, and in the
// byte form a unit's offset is its byte's offset. Only the values taken
// from the text (names, parameters, lines compared with a template) are
// decoded, when they are needed.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>

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

template <typename Unit>
constexpr bool IsBlankUnit(Unit unit) {
    return unit == ' ' || unit == '\t';
}

/// The first unit from `at` on that is not a blank (space or tab).
template <typename Unit>
size_t SkipBlanks(UnitView<Unit> text, size_t at) {
    while (at < text.size() && IsBlankUnit(text[at])) ++at;
    return at;
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

/// Units of the scanned text as Text.
template <typename Unit>
class UnitDecoder;

template <>
class UnitDecoder<char16_t> {
public:
    Text operator()(vb::TextView units) const { return Text(units); }
    void AppendTo(vb::TextView units, Text& out) const { out += units; }
};

template <>
class UnitDecoder<char> {
public:
    explicit UnitDecoder(int32_t codePage) : codePage_(codePage) {}
    Text operator()(std::string_view bytes) const;
    /// The same, appended to `out`.
    void AppendTo(std::string_view bytes, Text& out) const;

private:
    int32_t codePage_;
};

}  // namespace scan
