// Opt-out comments.
#include "source_transformation/HeaderRecognition.h"

#include <string_view>

#include "source_transformation/ScanKeywords.h"

namespace scan {

template <typename Unit>
bool IsOptOutComment(UnitView<Unit> line) {
    size_t at = 0;
    auto take = [&](std::string_view word) {
        at = SkipBlanks(line, at);
        if (!StartsWithNoCase(line.substr(at), word)) return false;
        at += word.size();
        return true;
    };
    if (!take("'") || !take("trapwright") || !take(":") || !take("skip")) return false;
    return SkipBlanks(line, at) == line.size();
}

// The two forms of text the scan reads.
template bool IsOptOutComment<char16_t>(UnitView<char16_t>);
template bool IsOptOutComment<char>(UnitView<char>);

}  // namespace scan
