// Checking handler templates: control characters, jumps and labels.
#include "commands/TemplateCheck.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "source_transformation/ScanRules.h"
#include "source_transformation/SourceUnits.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/CodePageTable.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/Strings.h"

namespace templates {

namespace {

using vb::TextView;

bool IsControl(char16_t unit) {
    if (unit == u'\t' || unit == u'\r' || unit == u'\n') return false;
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || vb::IsEscapeUnit(unit);
}

// A placeholder such as "[ProcName]" at the start of `text`: its length, or 0.
size_t PlaceholderLength(TextView text) {
    if (text.empty() || text.front() != u'[') return 0;
    const size_t close = text.find(u']');
    return close == TextView::npos ? 0 : close + 1;
}

// The name at the start, its placeholders taken as parts of it: a label or
// a jump's target as a template writes it.
TextView NameWithPlaceholders(TextView text) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t placeholder = PlaceholderLength(text.substr(end));
        if (placeholder > 0) {
            end += placeholder;
        } else if (scan::kTextUnits.IsNameUnit(text[end])) {
            ++end;
        } else {
            break;
        }
    }
    return text.substr(0, end);
}

// The label a template line defines: a name in its first column, blanks,
// then ":" not followed by "=".
TextView LabelOfLine(TextView line) {
    const TextView name = NameWithPlaceholders(line);
    if (name.empty() || (!vb::IsLetter(name.front()) && name.front() != u'[')) return {};
    const TextView rest = scan::rules::TrimLeft(line.substr(name.size()));
    if (rest.empty() || rest.front() != u':' || (rest.size() > 1 && rest[1] == u'=')) return {};
    return name;
}

// The line's code: up to its comment, string literals blanked out.
Text CodeOf(TextView line) {
    Text code;
    bool inString = false;
    for (const char16_t unit : line) {
        if (unit == u'"') inString = !inString;
        if (!inString && unit == u'\'') break;
        code.push_back(inString && unit != u'"' ? u' ' : unit);
    }
    return code;
}

// The targets the line's jumps name: after GoTo, GoSub and Resume, a name
// (not 0, a line number or Next).
std::vector<Text> JumpTargets(TextView line) {
    const Text code = CodeOf(line);
    const TextView text = code;
    std::vector<Text> targets;
    for (size_t at = 0; at < text.size();) {
        const TextView word = NameWithPlaceholders(text.substr(at));
        if (word.empty()) {
            ++at;
            continue;
        }
        const bool boundary = at == 0 || !scan::kTextUnits.IsNameUnit(text[at - 1]);
        at += word.size();
        const bool jump = vb::EqualsNoCase(word, u"goto") || vb::EqualsNoCase(word, u"gosub") ||
                          vb::EqualsNoCase(word, u"resume");
        if (!boundary || !jump) continue;
        const TextView target = NameWithPlaceholders(scan::rules::TrimLeft(text.substr(at)));
        if (target.empty() || vb::EqualsNoCase(target, u"next")) continue;
        if (target.find_first_not_of(u"0123456789") == TextView::npos) continue;
        if (!scan::kTextUnits.IsLetter(target.front()) && target.front() != u'[') continue;
        targets.emplace_back(target);
    }
    return targets;
}

struct Label {
    Text text;
    const NamedTemplate* in;
};

std::string Utf8(TextView text) { return vb::ToUtf8(text); }

}  // namespace

std::string TemplateProblem(TextView text, bool isBegin) {
    if (isBegin && text.empty()) return "is empty";
    for (size_t k = 0, line = 1; k < text.size(); ++k) {
        if (text[k] == u'\n') ++line;
        if (!IsControl(text[k])) continue;
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(text[k]));
        return "holds the control character " + std::string(code) + " on its line " + std::to_string(line) +
               ", so it is no VB6 code";
    }
    return {};
}

void CheckTemplatePair(const NamedTemplate& begin, const NamedTemplate& end) {
    for (const auto& [named, isBegin] : {std::pair{&begin, true}, std::pair{&end, false}}) {
        const std::string problem = TemplateProblem(named->text, isBegin);
        if (!problem.empty()) throw TemplateError(named->name + " " + problem);
    }
    std::vector<Label> labels;
    for (const NamedTemplate* named : {&begin, &end}) {
        for (const Text& line : vb::Split(named->text, u"\r\n")) {
            const TextView label = LabelOfLine(line);
            if (label.empty()) continue;
            for (const Label& other : labels) {
                if (!vb::EqualsNoCase(other.text, label)) continue;
                throw TemplateError(other.in == named
                                        ? named->name + " defines the label " + Utf8(label) + " twice"
                                        : begin.name + " and " + end.name + " both define the label " + Utf8(label));
            }
            labels.push_back(Label{Text(label), named});
        }
    }
    for (const NamedTemplate* named : {&begin, &end}) {
        for (const Text& line : vb::Split(named->text, u"\r\n")) {
            for (const Text& target : JumpTargets(line)) {
                bool defined = false;
                for (const Label& label : labels) defined = defined || vb::EqualsNoCase(label.text, target);
                if (!defined) {
                    throw TemplateError(named->name + " jumps to " + Utf8(target) + ", which neither template defines");
                }
            }
        }
    }
}

}  // namespace templates
