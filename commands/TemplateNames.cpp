// Finding the names a template's code uses.
#include "commands/TemplateNames.h"

#include <unordered_set>

#include "source_transformation/ScanRules.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/Strings.h"

namespace run {

namespace rules = scan::rules;

namespace {

// Keywords, types, and the VBA functions, objects and constants that
// handlers use. Folded to small letters.
const std::unordered_set<Text>& BuiltInNames() {
    static const std::unordered_set<Text> names = [] {
        std::unordered_set<Text> folded;
        for (const char16_t* name : {
                 // statements and operators
                 u"and", u"as", u"byref", u"byval", u"call", u"case", u"close", u"const", u"debug", u"dim",
                 u"do", u"each", u"else", u"elseif", u"end", u"enum", u"eqv", u"erase", u"error", u"exit",
                 u"false", u"for", u"friend", u"function", u"get", u"global", u"gosub", u"goto", u"if", u"imp",
                 u"in", u"input", u"is", u"let", u"lib", u"like", u"line", u"lock", u"loop", u"me", u"mod",
                 u"new", u"next", u"not", u"nothing", u"null", u"empty", u"on", u"open", u"optional", u"or",
                 u"output", u"append", u"binary", u"random", u"paramarray", u"preserve", u"print", u"private",
                 u"property", u"public", u"put", u"raiseevent", u"redim", u"rem", u"resume", u"return",
                 u"select", u"set", u"static", u"step", u"stop", u"sub", u"then", u"to", u"true", u"type",
                 u"typeof", u"until", u"wend", u"while", u"with", u"withevents", u"write", u"xor", u"unlock",
                 u"kill", u"name", u"seek", u"get", u"width",
                 // types
                 u"boolean", u"byte", u"currency", u"date", u"decimal", u"double", u"integer", u"long",
                 u"object", u"single", u"string", u"variant", u"collection",
                 // objects
                 u"err", u"app", u"screen", u"clipboard", u"forms", u"printer", u"printers", u"vba", u"vb",
                 // functions
                 u"erl", u"array", u"msgbox", u"inputbox", u"now", u"time", u"timer", u"format", u"cstr",
                 u"clng", u"cint", u"cdbl", u"csng", u"ccur", u"cbool", u"cbyte", u"cdate", u"cvar", u"cverr",
                 u"str", u"val", u"len", u"left", u"right", u"mid", u"instr", u"instrrev", u"replace", u"trim",
                 u"ltrim", u"rtrim", u"ucase", u"lcase", u"chr", u"chrw", u"asc", u"ascw", u"space", u"split",
                 u"join", u"isnull", u"isempty", u"isobject", u"isarray", u"ismissing", u"isnumeric",
                 u"isdate", u"iserror", u"typename", u"vartype", u"lbound", u"ubound", u"environ", u"dir",
                 u"freefile", u"createobject", u"getobject", u"doevents", u"iif", u"choose", u"switch",
                 u"datediff", u"dateadd", u"datepart", u"dateserial", u"timeserial", u"year", u"month",
                 u"day", u"hour", u"minute", u"second", u"weekday", u"hex", u"oct", u"abs", u"int", u"fix",
                 u"sgn", u"rnd", u"round", u"string", u"strcomp", u"strconv", u"curdir", u"filelen",
                 u"filedatetime", u"loc", u"lof", u"eof", u"shell", u"beep", u"sendkeys", u"load", u"unload",
                 u"savesetting", u"getsetting", u"callbyname", u"command",
                 // constants
                 u"vbcrlf", u"vbcr", u"vblf", u"vbnewline", u"vbtab", u"vbnullstring", u"vbnullchar",
                 u"vbobjecterror", u"vbokonly", u"vbokcancel", u"vbyesno", u"vbyesnocancel", u"vbcritical",
                 u"vbexclamation", u"vbinformation", u"vbquestion", u"vbok", u"vbcancel", u"vbyes", u"vbno",
                 u"vbabort", u"vbretry", u"vbignore", u"vbabortretryignore", u"vbretrycancel",
                 u"vbsystemmodal", u"vbapplicationmodal", u"vbdefaultbutton1", u"vbdefaultbutton2",
                 u"vbempty", u"vbnull", u"vbinteger", u"vblong", u"vbsingle", u"vbdouble", u"vbcurrency",
                 u"vbdate", u"vbstring", u"vbobject", u"vberror", u"vbboolean", u"vbvariant", u"vbbyte",
                 u"vbarray", u"vbtextcompare", u"vbbinarycompare"}) {
            folded.insert(name);
        }
        return folded;
    }();
    return names;
}

// Walks a template's code: every name, with whether it is used (rather
// than a member, a named argument or a label it defines).
template <class OnName>
void ForEachName(vb::TextView text, OnName&& onName) {
    size_t lineStart = 0;
    while (lineStart <= text.size()) {
        size_t lineEnd = text.find(u'\n', lineStart);
        if (lineEnd == vb::TextView::npos) lineEnd = text.size();
        vb::TextView line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (rules::FirstWordIsRem(line)) continue;
        bool atLineStart = true;  // VB6 takes a label only at a line's start
        bool atStatementStart = true;
        for (size_t k = 0; k < line.size();) {
            const char16_t c = line[k];
            if (c == u'\'') break;
            if (c == u'"') {
                const size_t close = line.find(u'"', k + 1);
                k = close == vb::TextView::npos ? line.size() : close + 1;
                continue;
            }
            if (c == u'[') {  // a placeholder (or a name in brackets)
                const size_t close = line.find(u']', k + 1);
                k = close == vb::TextView::npos ? line.size() : close + 1;
                atLineStart = false;
                atStatementStart = false;
                continue;
            }
            if (c == u'&' && k + 1 < line.size() && vb::TextView(u"HhOo").find(line[k + 1]) != vb::TextView::npos) {
                k += 2;  // a hexadecimal or octal number: its digits are no name
                while (k < line.size() && line[k] < 0x80 && (vb::IsLetter(line[k]) || (line[k] >= u'0' && line[k] <= u'9'))) ++k;
                continue;
            }
            if (!vb::IsLetter(c)) {
                if (c >= u'0' && c <= u'9') {
                    while (k < line.size() && (vb::IsLetter(line[k]) || (line[k] >= u'0' && line[k] <= u'9'))) ++k;
                    continue;
                }
                if (!rules::IsBlank(c)) atLineStart = false;
                if (!rules::IsBlank(c)) atStatementStart = c == u':';
                ++k;
                continue;
            }
            const vb::TextView name = rules::NameAtStart(line.substr(k));
            size_t after = k + name.size();
            if (after < line.size() && vb::TextView(u"%&!#@$").find(line[after]) != vb::TextView::npos &&
                !(line[after] == u'!' && after + 1 < line.size() && vb::IsLetter(line[after + 1]))) {
                ++after;  // a type character
            }
            size_t next = after;
            while (next < line.size() && rules::IsBlank(line[next])) ++next;
            const bool member = k > 0 && (line[k - 1] == u'.' || line[k - 1] == u'!');
            const bool followedByColon = next < line.size() && line[next] == u':';
            const bool namedArgument = followedByColon && next + 1 < line.size() && line[next + 1] == u'=';
            const bool label = atLineStart && followedByColon && !namedArgument;
            onName(name, label, !member && !namedArgument && !label, atStatementStart);
            atLineStart = false;
            atStatementStart = label || vb::EqualsNoCase(name, u"Call");
            k = after;
        }
    }
}

}  // namespace

bool IsBuiltInName(vb::TextView name) { return BuiltInNames().count(vb::FoldName(name)) != 0; }

std::vector<Text> NamesTemplatesUse(const std::vector<Text>& templates) {
    std::unordered_set<Text> labels;
    for (const Text& text : templates) {
        ForEachName(text, [&](vb::TextView name, bool label, bool, bool) {
            if (label) labels.insert(vb::FoldName(name));
        });
    }
    // The routines the blocks call, then the other names (constants, variables).
    std::vector<Text> called;
    std::vector<Text> other;
    std::unordered_set<Text> seen;
    for (const bool calls : {true, false}) {
        for (const Text& text : templates) {
            ForEachName(text, [&](vb::TextView name, bool, bool isUse, bool statement) {
                const Text folded = vb::FoldName(name);
                if (!isUse || statement != calls || IsBuiltInName(name) || labels.count(folded) != 0) return;
                if (seen.insert(folded).second) (calls ? called : other).emplace_back(name);
            });
        }
    }
    called.insert(called.end(), other.begin(), other.end());
    return called;
}

}  // namespace run
