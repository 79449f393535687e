// Finding a module's declarations of classes and Enums.
#include "source_transformation/DeclaredNames.h"

#include <array>

#include "source_transformation/ScanRules.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/Strings.h"

namespace scan {

namespace {

// Takes `word` (letter case ignored) after any blanks; it must be followed
// by a blank when `blankAfter`. False, and `line` unchanged, when it is not there.
bool TakeWord(vb::TextView& line, vb::TextView word, bool blankAfter = true) {
    vb::TextView rest = rules::TrimLeft(line);
    if (!StartsWithNoCase(rest, word)) return false;
    rest.remove_prefix(word.size());
    if (blankAfter && (rest.empty() || !rules::IsBlank(rest.front()))) return false;
    line = rest;
    return true;
}

// The name at the start of `line` after blanks; empty when there is none.
vb::TextView NameAt(vb::TextView line) { return rules::NameAtStart(rules::TrimLeft(line)); }

bool IsProcedureLine(vb::TextView line) {
    static constexpr std::array<vb::TextView, 5> kModifiers = {u"public", u"private", u"friend", u"static", u"global"};
    for (bool more = true; more;) {
        more = false;
        for (vb::TextView modifier : kModifiers) more = more || TakeWord(line, modifier);
    }
    return TakeWord(line, u"sub") || TakeWord(line, u"function") || TakeWord(line, u"property");
}

// "Attribute VB_Name = "NAME"": the name without its quotes.
bool TakeVbName(vb::TextView line, DeclaredNames& names) {
    if (!TakeWord(line, u"attribute") || !TakeWord(line, u"vb_name", false) || !TakeWord(line, u"=", false)) return false;
    line = rules::TrimLeft(line);
    if (!line.empty() && line.front() == u'"') line.remove_prefix(1);
    const vb::TextView name = NameAt(line);
    if (!name.empty()) names.Add(name);
    return true;
}

void TakeEnum(vb::TextView line, DeclaredNames& names) {
    if (!TakeWord(line, u"public")) TakeWord(line, u"private");
    if (!TakeWord(line, u"enum")) return;
    const vb::TextView name = NameAt(line);
    if (!name.empty()) names.Add(name);
}

}  // namespace

void DeclaredNames::Add(vb::TextView name) { names_.insert(vb::FoldName(name)); }

bool DeclaredNames::Has(vb::TextView name) const {
    if (names_.empty()) return false;
    // A type name is short: folded in place, without an allocation.
    std::array<char16_t, 64> folded;
    if (name.size() > folded.size()) return names_.find(vb::TextView(vb::FoldName(name))) != names_.end();
    for (size_t k = 0; k < name.size(); ++k) folded[k] = vb::FoldLetter(name[k]);
    return names_.find(vb::TextView(folded.data(), name.size())) != names_.end();
}

void DeclaredNames::Merge(const DeclaredNames& other) { names_.insert(other.names_.begin(), other.names_.end()); }

namespace {

// Takes the declaration a line makes; true for the first line of a procedure.
bool TakeLine(vb::TextView line, DeclaredNames& names) {
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    if (IsProcedureLine(line)) return true;
    if (!TakeVbName(line, names)) TakeEnum(line, names);
    return false;
}

}  // namespace

bool AddDeclarationsOf(vb::TextView text, DeclaredNames& names) {
    for (size_t from = 0; from < text.size();) {
        size_t end = text.find(u'\n', from);
        if (end == vb::TextView::npos) end = text.size();
        if (TakeLine(text.substr(from, end - from), names)) return true;
        from = end + 1;
    }
    return false;
}

bool AddDeclarationsOfBytes(std::string_view bytes, int32_t codePage, bool wholeFile, DeclaredNames& names) {
    // An LF byte is never part of another character in any code page a
    // source is written in, so the bytes split into lines before decoding.
    Text line;
    for (size_t from = 0; from < bytes.size();) {
        size_t end = bytes.find('\n', from);
        if (end == std::string_view::npos) {
            if (!wholeFile) return false;  // a line cut off where the bytes stop
            end = bytes.size();
        }
        line = vb::Decode(bytes.substr(from, end - from), codePage);
        if (TakeLine(line, names)) return true;
        from = end + 1;
    }
    return false;
}

}  // namespace scan
