// Letter classes and case folding for names and labels.
#include "vb_runtime/Letters.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vb {

namespace {

// Ranges of letters beyond ASCII, inclusive, in ascending order. Signs that
// stand among them (×, ÷, the Greek question mark) are left out.
constexpr std::array<std::pair<char16_t, char16_t>, 37> kLetterRanges = {{
    {0x00AA, 0x00AA}, {0x00B5, 0x00B5}, {0x00BA, 0x00BA}, {0x00C0, 0x00D6}, {0x00D8, 0x00F6},
    {0x00F8, 0x02AF}, {0x0370, 0x0373}, {0x0376, 0x0377}, {0x037B, 0x037D}, {0x0386, 0x0386},
    {0x0388, 0x03FF}, {0x0400, 0x0481}, {0x048A, 0x052F}, {0x0531, 0x0556}, {0x0561, 0x0587},
    {0x05D0, 0x05EA}, {0x0620, 0x064A}, {0x0671, 0x06D3}, {0x0E01, 0x0E30}, {0x0E32, 0x0E33},
    {0x0E40, 0x0E46}, {0x1E00, 0x1FBC}, {0x1FC2, 0x1FCC}, {0x1FD0, 0x1FDB}, {0x1FE0, 0x1FEC},
    {0x1FF2, 0x1FFC}, {0x3041, 0x3096}, {0x30A1, 0x30FA}, {0x30FC, 0x30FF}, {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFF21, 0xFF3A}, {0xFF41, 0xFF5A},
    {0xFF66, 0xFF9F}, {0xFFA0, 0xFFDC},
}};

}  // namespace

bool IsLetterBeyondAscii(char16_t unit) {
    const auto after = std::upper_bound(kLetterRanges.begin(), kLetterRanges.end(), unit,
                                        [](char16_t u, const std::pair<char16_t, char16_t>& range) { return u < range.first; });
    return after != kLetterRanges.begin() && unit <= std::prev(after)->second;
}

char16_t FoldLetter(char16_t unit) {
    if (unit < 0x80) return (unit >= u'A' && unit <= u'Z') ? char16_t(unit + 32) : unit;
    if ((unit >= 0x00C0 && unit <= 0x00DE && unit != 0x00D7) || (unit >= 0x0391 && unit <= 0x03AB && unit != 0x03A2) ||
        (unit >= 0x0410 && unit <= 0x042F)) {
        return char16_t(unit + 32);
    }
    if (unit >= 0x0400 && unit <= 0x040F) return char16_t(unit + 80);
    // Latin Extended-A pairs its capitals and small letters side by side,
    // the capital first, with the exceptions around U+0138 and U+0178.
    if ((unit >= 0x0100 && unit <= 0x0137) || (unit >= 0x014A && unit <= 0x0177)) return char16_t(unit | 1);
    if ((unit >= 0x0139 && unit <= 0x0148) || (unit >= 0x0179 && unit <= 0x017E)) {
        return (unit & 1) != 0 ? char16_t(unit + 1) : unit;
    }
    if (unit == 0x0178) return 0x00FF;
    return unit;
}

bool NamesEqual(TextView a, TextView b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (FoldLetter(a[k]) != FoldLetter(b[k])) return false;
    }
    return true;
}

Text FoldName(TextView name) {
    Text folded(name);
    for (char16_t& unit : folded) unit = FoldLetter(unit);
    return folded;
}

}  // namespace vb
