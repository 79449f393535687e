// Reading a module's module-level declarations, statement by statement.
#include "source_transformation/ModuleLevelNames.h"

#include "source_transformation/ScanRules.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/Strings.h"

namespace scan {

namespace {

// Takes `word` (letter case ignored) after blanks, when a blank or the end
// follows it. False, and `text` unchanged, when it is not there.
bool TakeWord(vb::TextView& text, vb::TextView word) {
    vb::TextView rest = rules::TrimLeft(text);
    if (rest.size() < word.size() || !vb::EqualsNoCase(rest.substr(0, word.size()), word)) return false;
    rest.remove_prefix(word.size());
    if (!rest.empty() && !rules::IsBlank(rest.front())) return false;
    text = rest;
    return true;
}

bool TakeAnyOf(vb::TextView& text, std::initializer_list<vb::TextView> words) {
    for (vb::TextView word : words) {
        if (TakeWord(text, word)) return true;
    }
    return false;
}

// Adds the name at the start, after blanks; returns what follows it.
vb::TextView TakeName(vb::TextView text, DeclaredNames& names) {
    text = rules::TrimLeft(text);
    const vb::TextView name = rules::NameAtStart(text);
    if (!name.empty()) names.Add(name);
    return text.substr(name.size());
}

// "a As Long, b(1 To 3) As String, c": each name before a comma outside
// parentheses and string literals.
void TakeNameList(vb::TextView text, DeclaredNames& names) {
    text = TakeName(text, names);
    int depth = 0;
    bool inString = false;
    for (size_t k = 0; k < text.size(); ++k) {
        const char16_t c = text[k];
        if (c == u'"') inString = !inString;
        if (inString) continue;
        if (c == u'\'') return;
        if (c == u'(') ++depth;
        if (c == u')') --depth;
        if (c == u',' && depth == 0) TakeName(text.substr(k + 1), names);
    }
}

// What a module-level statement is.
class Reader {
public:
    Reader(bool throughProcedures, DeclaredNames& names) : through_(throughProcedures), names_(names) {}

    /// Takes one physical line; true at the first procedure when not reading through.
    bool Line(vb::TextView line) {
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        // A statement continued with " _" is read as one.
        if (rules::EndsWithContinuationMark(line)) {
            statement_.append(rules::TrimRight(line).substr(0, rules::TrimRight(line).size() - 1));
            return false;
        }
        statement_.append(line);
        const bool first = Statement(statement_);
        statement_.clear();
        return first;
    }

private:
    bool Statement(vb::TextView statement) {
        if (rules::IsCommentLine(statement) || rules::IsDirectiveLine(statement)) return false;
        if (inProcedure_) {
            inProcedure_ = !rules::IsEndLine(statement);
            return false;
        }
        if (inEnum_) {
            if (TakeWord(statement, u"End") && TakeWord(statement, u"Enum")) {
                inEnum_ = false;
            } else {
                TakeName(statement, names_);
            }
            return false;
        }
        if (inType_) {
            inType_ = !(TakeWord(statement, u"End") && TakeWord(statement, u"Type"));
            return false;
        }
        if (TakeWord(statement, u"Attribute")) {
            vb::TextView rest = rules::TrimLeft(statement);
            if (!TakeWord(rest, u"VB_Name")) return false;
            rest = rules::TrimLeft(rest);
            if (!rest.empty() && rest.front() == u'=') rest = rules::TrimLeft(rest.substr(1));
            if (!rest.empty() && rest.front() == u'"') TakeName(rest.substr(1), names_);
            return false;
        }
        const bool scoped = TakeAnyOf(statement, {u"Public", u"Private", u"Global", u"Friend"});
        const bool isStatic = TakeWord(statement, u"Static");
        if (TakeAnyOf(statement, {u"Sub", u"Function"}) ||
            (TakeWord(statement, u"Property") && TakeAnyOf(statement, {u"Get", u"Let", u"Set"}))) {
            if (!through_) return true;
            TakeName(statement, names_);
            inProcedure_ = true;
            return false;
        }
        if (TakeWord(statement, u"Const")) {
            TakeNameList(statement, names_);
        } else if (TakeWord(statement, u"Declare")) {
            TakeAnyOf(statement, {u"Sub", u"Function"});
            TakeName(statement, names_);
        } else if (TakeWord(statement, u"Enum")) {
            inEnum_ = true;
        } else if (TakeWord(statement, u"Type")) {
            inType_ = true;
        } else if (TakeWord(statement, u"Dim") || (scoped && !TakeWord(statement, u"Event")) || isStatic) {
            TakeWord(statement, u"WithEvents");
            TakeNameList(statement, names_);
        }
        return false;
    }

    bool through_;
    DeclaredNames& names_;
    Text statement_;
    bool inProcedure_ = false;
    bool inEnum_ = false;
    bool inType_ = false;
};

}  // namespace

bool AddModuleLevelNames(vb::TextView text, bool throughProcedures, DeclaredNames& names) {
    Reader reader(throughProcedures, names);
    for (size_t from = 0; from < text.size();) {
        size_t end = text.find(u'\n', from);
        if (end == vb::TextView::npos) end = text.size();
        if (reader.Line(text.substr(from, end - from))) return true;
        from = end + 1;
    }
    return false;
}

bool AddModuleLevelNamesOfBytes(std::string_view bytes, int32_t codePage, bool wholeFile, bool throughProcedures,
                                DeclaredNames& names) {
    Reader reader(throughProcedures, names);
    for (size_t from = 0; from < bytes.size();) {
        size_t end = bytes.find('\n', from);
        if (end == std::string_view::npos) {
            if (!wholeFile) return false;  // a line cut off where the bytes stop
            end = bytes.size();
        }
        if (reader.Line(vb::Decode(bytes.substr(from, end - from), codePage))) return true;
        from = end + 1;
    }
    return false;
}

}  // namespace scan
