// Handler templates: expansion and block patterns.
#include "source_transformation/HandlerTemplate.h"

#include <algorithm>
#include <array>
#include <string>

#include "source_transformation/ScanRules.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

using namespace vb;

namespace scan {

namespace {

constexpr std::array<TextView, 3> kProcedurePlaceholders = {u"[ProcName]", u"[ProcType]", u"[Paramenters]"};
constexpr std::array<TextView, 3> kModulePlaceholders = {u"[ModuleName]", u"[FileName]", u"[ProjectName]"};

// The earliest placeholder at or after `from` (0-based), or npos; `length`
// gets its length and `slot` its number (0..2 the procedure placeholders,
// 3..5 the module ones).
size_t FindPlaceholder(TextView line, size_t from, bool withModule, size_t& length, int& slot) {
    size_t best = TextView::npos;
    auto consider = [&](TextView placeholder, int number) {
        const int32_t at = InStr(static_cast<int32_t>(from + 1), line, placeholder, TextCompare);
        if (at > 0 && static_cast<size_t>(at - 1) < best) {
            best = static_cast<size_t>(at - 1);
            length = placeholder.size();
            slot = number;
        }
    };
    if (from >= line.size()) return best;
    for (int k = 0; k < 3; ++k) consider(kProcedurePlaceholders[static_cast<size_t>(k)], k);
    if (withModule) {
        for (int k = 0; k < 3; ++k) consider(kModulePlaceholders[static_cast<size_t>(k)], 3 + k);
    }
    return best;
}

bool HoldsBracket(TextView text) {
    for (char16_t c : text) {
        if (c == u'[' || c == u']') return true;
    }
    return false;
}

// 0-based position of `find` in `text` at or after `from`, letter case ignored.
size_t FindNoCase(TextView text, TextView find, size_t from) {
    if (find.empty()) return from;
    if (from >= text.size()) return TextView::npos;
    const int32_t at = InStr(static_cast<int32_t>(from + 1), text, find, TextCompare);
    return at == 0 ? TextView::npos : static_cast<size_t>(at - 1);
}

}  // namespace

HandlerTemplate::HandlerTemplate(TextView raw, Role role, TextView lineBreak, const ModuleValues* module)
    : isBegin_(role == Role::Begin), lineBreakSize_(lineBreak.size()), module_(module) {
    if (isBegin_) {
        // The begin template loses its final line break (CR LF, or an LF,
        // which counts as CR LF) and nothing else; only an empty one cannot
        // make a block.
        if (raw.empty()) {
            tooShort_ = true;
            return;
        }
        if (raw.back() == u'\n') raw.remove_suffix(raw.size() >= 2 && raw[raw.size() - 2] == u'\r' ? 2 : 1);
    }
    body_ = TemplateForLineBreak(raw, lineBreak);
    if (!isBegin_ && body_.empty()) return;
    size_t from = 0;
    size_t length = 0;
    int slot = -1;
    onePass_ = true;
    for (size_t at; (at = FindPlaceholder(body_, from, module_ != nullptr, length, slot)) != TextView::npos;
         from = at + length) {
        pieces_.push_back(Piece{body_.substr(from, at - from), slot});
        usesParameters_ = usesParameters_ || slot == 2;
        onePass_ = onePass_ && !HoldsBracket(pieces_.back().literal);
    }
    pieces_.push_back(Piece{body_.substr(from), -1});
    onePass_ = onePass_ && !HoldsBracket(pieces_.back().literal);
    // The module's values are the same for every block of the module.
    onePass_ = onePass_ && !(module_ != nullptr && (HoldsBracket(module_->moduleName) ||
                                                    HoldsBracket(module_->fileName) ||
                                                    HoldsBracket(module_->projectName)));
    if (module_ != nullptr) {
        longestModuleValue_ =
            std::max({module_->moduleName.size(), module_->fileName.size(), module_->projectName.size()});
    }
    // Split the block's text into its lines, keeping empty ones: a block of
    // n line breaks occupies n + 1 lines.
    from = 0;
    for (;;) {
        const size_t at = body_.find(lineBreak, from);
        lines_.push_back(PatternOf(TextView(body_).substr(from, at == Text::npos ? Text::npos : at - from)));
        distinctiveLines_ += lines_.back().distinctive ? 1 : 0;
        mostLiteral_ = std::max(mostLiteral_, lines_.back().literalLength);
        mostSlots_ = std::max(mostSlots_, lines_.back().slots.size());
        labelsDecided_ = labelsDecided_ && lines_.back().labelDecided;
        if (!lines_.back().label.empty()) labels_.push_back(lines_.back().label);
        if (at == Text::npos) break;
        from = at + lineBreak.size();
    }
}

void HandlerTemplate::ThrowIfTooShort(size_t lineIndex) const {
    if (!tooShort_) return;
    throw VbError::AtLine(ErrInvalidArgument, static_cast<int32_t>(lineIndex + 1), "the begin template is empty");
}

void HandlerTemplate::AppendExpansion(const ProcedureHeader& values, size_t lineIndex, Text& out) const {
    ThrowIfTooShort(lineIndex);
    if (!onePass_ || ValuesHoldBrackets(values)) {
        out += ExpandStepByStep(values);
        return;
    }
    const TextView slots[] = {values.name, values.kind, values.parameters,
                              module_ != nullptr ? TextView(module_->moduleName) : TextView(),
                              module_ != nullptr ? TextView(module_->fileName) : TextView(),
                              module_ != nullptr ? TextView(module_->projectName) : TextView()};
    for (const Piece& piece : pieces_) {
        out += piece.literal;
        if (piece.slot >= 0) out += slots[piece.slot];
    }
}

bool HandlerTemplate::ValuesHoldBrackets(const ProcedureHeader& values) const {
    return values.valuesMayHoldBrackets &&
           (HoldsBracket(values.name) || HoldsBracket(values.kind) || HoldsBracket(values.parameters));
}

// The placeholders replaced one kind after the other, as the rule states:
// a value that itself holds a later placeholder has it replaced too.
Text HandlerTemplate::ExpandStepByStep(const ProcedureHeader& values) const {
    Text expanded = Replace(body_, u"[ProcName]", values.name, TextCompare);
    expanded = Replace(expanded, u"[ProcType]", values.kind, TextCompare);
    expanded = Replace(expanded, u"[Paramenters]", values.parameters, TextCompare);
    if (module_ != nullptr) {
        expanded = Replace(expanded, u"[ModuleName]", module_->moduleName, TextCompare);
        expanded = Replace(expanded, u"[FileName]", module_->fileName, TextCompare);
        expanded = Replace(expanded, u"[ProjectName]", module_->projectName, TextCompare);
    }
    return expanded;
}

HandlerTemplate::LinePattern HandlerTemplate::PatternOf(TextView templateLine) const {
    LinePattern pattern;
    size_t from = 0;
    size_t length = 0;
    int slot = -1;
    for (size_t at; (at = FindPlaceholder(templateLine, from, module_ != nullptr, length, slot)) != TextView::npos;
         from = at + length) {
        pattern.literals.emplace_back(templateLine.substr(from, at - from));
        pattern.slots.push_back(slot);
    }
    pattern.literals.emplace_back(templateLine.substr(from));
    for (const Text& literal : pattern.literals) pattern.literalLength += literal.size();
    DecideLabel(pattern);
    for (const Text& literal : pattern.literals) {
        if (literal.find_first_not_of(u' ') != Text::npos) pattern.distinctive = true;
    }
    return pattern;
}

// Whether the line's start, up to its first placeholder, tells its label
// whatever the placeholders become: it does unless a value could extend
// the name or supply the ":" or the "=" after it.
void HandlerTemplate::DecideLabel(LinePattern& pattern) {
    const TextView start = pattern.literals.front();
    if (pattern.literals.size() == 1) {
        pattern.label = Text(rules::LabelOf(start));
        return;
    }
    const size_t name = rules::NameAtStart(start).size();
    if (name == 0) {
        pattern.labelDecided = !start.empty();  // a value could start the line with a name
        return;
    }
    const TextView rest = rules::TrimLeft(start.substr(name));
    if (name == start.size() || rest.empty() || (rest.front() == u':' && rest.size() == 1)) {
        pattern.labelDecided = false;
        return;
    }
    pattern.label = Text(rules::LabelOf(start));
}

const std::vector<Text>& HandlerTemplate::Labels(const ProcedureHeader& values, std::vector<Text>& storage) const {
    if (tooShort_ || labelsDecided_) return labels_;
    storage.clear();
    Text text;
    AppendExpansion(values, 0, text);
    for (const Text& line : Split(text, lineBreakSize_ == 2 ? TextView(u"\r\n") : TextView(u"\n"))) {
        const TextView label = rules::LabelOf(line);
        if (!label.empty()) storage.emplace_back(label);
    }
    return storage;
}

bool HandlerTemplate::HasLineLongerThanLineByLine(const ProcedureHeader& values, size_t limit) const {
    if (!onePass_ || ValuesHoldBrackets(values)) {
        for (const Text& line : Split(ExpandStepByStep(values), lineBreakSize_ == 2 ? TextView(u"\r\n") : TextView(u"\n"))) {
            if (line.size() > limit) return true;
        }
        return false;
    }
    const size_t sizes[] = {values.name.size(), values.kind.size(), values.parameters.size(),
                            module_ != nullptr ? module_->moduleName.size() : 0,
                            module_ != nullptr ? module_->fileName.size() : 0,
                            module_ != nullptr ? module_->projectName.size() : 0};
    for (const LinePattern& line : lines_) {
        size_t length = line.literalLength;
        for (const int slot : line.slots) length += sizes[slot];
        if (length > limit) return true;
    }
    return false;
}

// Glob matching with the placeholders as wildcards: the first literal must
// start the line, the last must end it, and the ones between are taken at
// their leftmost place, which finds a match whenever there is one.
bool HandlerTemplate::LinePattern::Matches(TextView line) const {
    const TextView first = literals.front();
    if (literals.size() == 1) return line.size() == first.size() && EqualsNoCase(line, first);
    const TextView last = literals.back();
    if (line.size() < first.size() + last.size()) return false;
    if (!StartsWithNoCase(line, first) || !EndsWithNoCase(line, last)) return false;
    const TextView middle = line.substr(first.size(), line.size() - first.size() - last.size());
    size_t from = 0;
    for (size_t k = 1; k + 1 < literals.size(); ++k) {
        const size_t at = FindNoCase(middle, literals[k], from);
        if (at == TextView::npos) return false;
        from = at + literals[k].size();
    }
    return true;
}

bool HandlerTemplate::LineMatches(size_t index, TextView line, size_t lineIndex) const {
    ThrowIfTooShort(lineIndex);
    return lines_[index].Matches(line);
}

size_t HandlerTemplate::ResemblingLines(const std::vector<TextView>& lines) const {
    size_t resembling = 0;
    for (TextView line : lines) {
        for (const LinePattern& pattern : lines_) {
            if (pattern.distinctive && pattern.Matches(line)) {
                ++resembling;
                break;
            }
        }
    }
    return resembling;
}

}  // namespace scan
