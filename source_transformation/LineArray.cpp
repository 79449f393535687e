// The line array utilities.
#include "source_transformation/LineArray.h"

#include "vb_runtime/Strings.h"

namespace scan {

int32_t InStrArray(int32_t& Start, vb::TextView strCompare, const std::vector<Text>& lpArray, int32_t Compare) {
    if (Start < 1) Start = 1;
    const int32_t nothing = static_cast<int32_t>(strCompare.size()) + 1;
    int32_t best = nothing;
    for (const Text& element : lpArray) {
        const int32_t p = vb::InStr(Start, strCompare, element, Compare);
        if (p > 0 && p < best) best = p;
    }
    return best == nothing ? 0 : best;
}

void RemoveInArray(std::vector<Text>& lpArray, vb::TextView strFind) {
    // The search ignores letter case whatever mode the caller names: the
    // header parser, the only caller, asks for exactly that.
    for (Text& element : lpArray) {
        const int32_t p = vb::InStr(1, element, strFind, vb::TextCompare);
        element = p > 0 ? vb::Trim(vb::TextView(element).substr(0, static_cast<size_t>(p - 1))) : vb::Trim(element);
    }
}

}  // namespace scan
