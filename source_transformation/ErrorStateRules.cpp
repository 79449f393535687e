// The uses of the error state in a line's code, read token by token:
// string literals, bracketed names and comments are stepped over, names
// are taken whole, and a statement starts at the line's start (after a
// line number), after a ":" separator and after Then and Else.
#include "source_transformation/ErrorStateRules.h"

#include <string_view>

#include "source_transformation/ScanRules.h"

namespace scan::rules {

namespace {

template <typename Unit>
bool IsWord(UnitView<Unit> word, std::string_view expected) {
    return word.size() == expected.size() && StartsWithNoCase(word, expected);
}

// The name at `at`, or empty.
template <typename Unit>
UnitView<Unit> NameAt(UnitView<Unit> line, size_t at, const Units<Unit>& units) {
    if (at > line.size()) return {};
    return line.substr(at, NameLength(line.substr(at), units));
}

// After "On" (ending at `at`): blanks, then Error, or Local, blanks and Error.
template <typename Unit>
bool OnErrorFollows(UnitView<Unit> line, size_t at, const Units<Unit>& units) {
    size_t word = SkipBlanks(line, at);
    if (word == at) return false;
    UnitView<Unit> next = NameAt(line, word, units);
    if (IsWord(next, "local")) {
        const size_t after = word + next.size();
        word = SkipBlanks(line, after);
        if (word == after) return false;
        next = NameAt(line, word, units);
    }
    return IsWord(next, "error");
}

// After the word Error (ending at `at`): a value, as the Error statement takes.
template <typename Unit>
bool ValueFollows(UnitView<Unit> line, size_t at) {
    const size_t value = SkipBlanks(line, at);
    if (value == line.size() || (value == at && line[at] != '(')) return false;
    return line[value] != ':' && line[value] != '\'' && line[value] != '=';
}

// Whether the word at `at` names the error state itself rather than a
// member or field of that name: not after "!", and not after "." unless the
// "." follows the word VBA.
template <typename Unit>
bool NamesTheErrorState(UnitView<Unit> line, size_t at, const Units<Unit>& units) {
    if (at == 0) return true;
    if (line[at - 1] == '!') return false;
    if (line[at - 1] != '.') return true;
    return at >= 4 && StartsWithNoCase(line.substr(at - 4), "vba") && (at == 4 || !units.IsNameUnit(line[at - 5]));
}

}  // namespace

template <typename Unit>
ErrorUse FirstErrorUse(UnitView<Unit> line, bool continuation, const Units<Unit>& units) {
    using Kind = ErrorUse::Kind;
    constexpr size_t npos = UnitView<Unit>::npos;
    size_t at = 0;
    bool statementStart = !continuation;
    if (!continuation) {
        at = SkipBlanks(line, 0);
        while (at < line.size() && IsDigitUnit(line[at])) ++at;  // a line number
    }
    while (at < line.size()) {
        const Unit c = line[at];
        if (IsBlankUnit(c)) {
            ++at;
            continue;
        }
        if (c == '\'') return {};
        if (c == ':') {
            statementStart = at + 1 == line.size() || line[at + 1] != '=';  // ":=" names an argument
            ++at;
            continue;
        }
        if (c == '"' || c == '[') {
            const size_t close = line.find(static_cast<Unit>(c == '"' ? '"' : ']'), at + 1);
            if (close == npos) return {};
            at = close + 1;
            statementStart = false;
            continue;
        }
        const UnitView<Unit> word = NameAt(line, at, units);
        if (word.empty()) {
            // A number (with the letters of 1E3 or 5#) or a sign.
            if (IsDigitUnit(c)) {
                while (at < line.size() && units.IsNameUnit(line[at])) ++at;
            } else {
                ++at;
            }
            statementStart = false;
            continue;
        }
        const size_t next = at + word.size();
        if (statementStart && IsWord(word, "rem")) return {};
        if (statementStart && IsWord(word, "on") && OnErrorFollows(line, next, units)) return {Kind::OnError, at};
        if (statementStart && IsWord(word, "error") && ValueFollows(line, next)) return {Kind::Raises, at};
        const bool err = IsWord(word, "err");
        if ((err || IsWord(word, "erl")) && NamesTheErrorState(line, at, units)) {
            const UnitView<Unit> member =
                err && next < line.size() && line[next] == '.' ? NameAt(line, next + 1, units) : UnitView<Unit>();
            if (IsWord(member, "raise")) return {Kind::Raises, at};
            if (!IsWord(member, "clear") && !IsWord(member, "lastdllerror")) return {Kind::Reads, at};
        }
        statementStart = IsWord(word, "then") || IsWord(word, "else");
        at = next;
    }
    return {};
}

template ErrorUse FirstErrorUse<char16_t>(UnitView<char16_t>, bool, const Units<char16_t>&);
template ErrorUse FirstErrorUse<char>(UnitView<char>, bool, const Units<char>&);

}  // namespace scan::rules
