// String functions with the original runtime's semantics.
#include "vb_runtime/Strings.h"

#include "vb_runtime/VbError.h"

namespace vb {

namespace {

bool MatchesAt(TextView text, size_t at, TextView find, int32_t compare) {
    if (compare == BinaryCompare) return text.compare(at, find.size(), find) == 0;
    for (size_t k = 0; k < find.size(); ++k) {
        if (FoldAscii(text[at + k]) != FoldAscii(find[k])) return false;
    }
    return true;
}

// 0-based index of the first occurrence at or after `from`, or npos. The
// case-insensitive search looks for the first unit in both cases with one
// test: for a small ASCII letter L, (c | 0x20) == L holds exactly for L and
// its capital.
size_t Find(TextView text, TextView find, size_t from, int32_t compare) {
    if (compare == BinaryCompare) return text.find(find, from);
    if (find.size() > text.size()) return TextView::npos;
    const char16_t first = FoldAscii(find[0]);
    const char16_t caseBit = (first >= u'a' && first <= u'z') ? 0x20 : 0;
    const size_t last = text.size() - find.size();
    for (size_t at = from; at <= last; ++at) {
        if (char16_t(text[at] | caseBit) == first && MatchesAt(text, at, find, compare)) return at;
    }
    return TextView::npos;
}

}  // namespace

bool EqualsNoCase(TextView a, TextView b) {
    return a.size() == b.size() && MatchesAt(a, 0, b, TextCompare);
}

int32_t InStr(int32_t start, TextView string1, TextView string2, int32_t compare) {
    if (start < 1) throw VbError(ErrInvalidArgument);
    if (string1.empty() || static_cast<size_t>(start) > string1.size()) return 0;
    if (string2.empty()) return start;
    const size_t at = Find(string1, string2, static_cast<size_t>(start - 1), compare);
    return at == TextView::npos ? 0 : static_cast<int32_t>(at + 1);
}

std::vector<Text> Split(TextView expression, TextView delimiter) {
    std::vector<Text> pieces;
    if (expression.empty()) return pieces;
    if (delimiter.empty()) {
        pieces.emplace_back(expression);
        return pieces;
    }
    size_t from = 0;
    for (size_t at; (at = expression.find(delimiter, from)) != TextView::npos; from = at + delimiter.size()) {
        pieces.emplace_back(expression.substr(from, at - from));
    }
    pieces.emplace_back(expression.substr(from));
    return pieces;
}

Text Join(const std::vector<Text>& list, TextView delimiter) {
    size_t total = 0;
    for (const Text& element : list) total += element.size() + delimiter.size();
    Text joined;
    joined.reserve(total);
    for (size_t i = 0; i < list.size(); ++i) {
        if (i > 0) joined += delimiter;
        joined += list[i];
    }
    return joined;
}

Text Replace(TextView expression, TextView find, TextView replacement, int32_t compare) {
    if (find.empty()) return Text(expression);
    Text result;
    result.reserve(expression.size());
    size_t from = 0;
    for (size_t at; (at = Find(expression, find, from, compare)) != TextView::npos; from = at + find.size()) {
        result.append(expression.substr(from, at - from));
        result.append(replacement);
    }
    result.append(expression.substr(from));
    return result;
}

Text Trim(TextView text) {
    const size_t first = text.find_first_not_of(u' ');
    if (first == TextView::npos) return Text();
    const size_t last = text.find_last_not_of(u' ');
    return Text(text.substr(first, last - first + 1));
}

Text Left(TextView text, int32_t length) {
    if (length < 0) throw VbError(ErrInvalidArgument);
    return Text(text.substr(0, static_cast<size_t>(length)));
}

Text Mid(TextView text, int32_t start, int32_t length) {
    if (start < 1 || length < 0) throw VbError(ErrInvalidArgument);
    if (static_cast<size_t>(start) > text.size()) return Text();
    return Text(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length)));
}

Text FromAscii(std::string_view ascii) { return Text(ascii.begin(), ascii.end()); }

}  // namespace vb
