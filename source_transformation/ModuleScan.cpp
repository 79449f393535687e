// The fast line source of the module scan: lines and key positions from
// the vector classifier, classified ahead on a second thread when asked,
// and pre-tests that look at a few units, so that the rules run on the few
// lines that may be headers, End lines, labels or block lines. In the byte
// form a line is decoded only when a rule reads it.
#include "source_transformation/ModuleScan.h"

#include <array>
#include <memory>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#include "source_transformation/ClassifyAhead.h"
#include "source_transformation/HeaderRecognition.h"
#include "source_transformation/LineClassifier.h"
#include "source_transformation/ProcedureWalk.h"
#include "source_transformation/ScanRules.h"
#include "vb_runtime/LineBreak.h"

using namespace vb;

namespace scan {

namespace {

// An ASCII letter, or a unit of 128 or above, which may decode to a letter.
template <typename Unit>
bool MayBeLetter(Unit unit) {
    const char16_t c = UnitAsChar(unit);
    return c >= 0x80 || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

template <typename Unit>
bool MayBeNameUnit(Unit unit) {
    const char16_t c = UnitAsChar(unit);
    return MayBeLetter(unit) || (c >= u'0' && c <= u'9') || c == u'_';
}

constexpr std::array<std::string_view, 3> kEndKeywords = {"sub", "function", "property"};

template <typename Unit>
class FastLines {
public:
    FastLines(UnitView<Unit> text, TextView lineBreak, UnitDecoder<Unit> decode, bool classifyAhead)
        : text_(text), decode_(std::move(decode)), classifier_(text, lineBreak) {
        // The lines of the thread's last module make room for this one's,
        // so that a run of many files does not map fresh memory for each.
        lines_.swap(SpareLines());
        lines_.clear();
        lines_.reserve(text.size() / 32 + 1024);
        if (!classifyAhead) return;
        try {
            ahead_ = std::make_unique<ClassifyAhead<Unit>>(text, lineBreak);
        } catch (const std::system_error&) {
            // No thread to be had: the lines are classified here, as always.
        }
    }

    ~FastLines() {
        // A very large module's lines are not kept for the next one.
        constexpr size_t kKeep = size_t{1} << 16;
        if (lines_.capacity() <= kKeep) lines_.swap(SpareLines());
    }
    FastLines(const FastLines&) = delete;
    FastLines& operator=(const FastLines&) = delete;

    // The first line from i on that may be a header, an End line or a
    // label, or that another continues onto (or i itself when none is
    // left): the lines between hold nothing the walk of a procedure's
    // body looks for.
    size_t NextThatMatters(size_t i) {
        for (;;) {
            while (i < lines_.size() && !Matters(lines_[i])) ++i;
            if (i < lines_.size() || !ClassifyMore()) return i;
        }
    }

    bool Has(size_t i) {
        while (i >= lines_.size()) {
            if (!ClassifyMore()) return false;
        }
        return true;
    }
    size_t Start(size_t i) const { return lines_[i].start; }
    size_t End(size_t i) const { return lines_[i].end; }
    TextView TextOf(size_t i, Text& storage) const {
        if constexpr (sizeof(Unit) == 2) {
            (void)storage;
            return Line(i);
        } else {
            storage.clear();
            decode_.AppendTo(Line(i), storage);
            return storage;
        }
    }
    bool ContinuedOnto(size_t i) const { return lines_[i].continuedOnto; }
    bool Continues(size_t i) const { return lines_[i].continues; }
    bool Comment(size_t i) const { return lines_[i].comment; }
    bool MayBeHeader(size_t i) const { return lines_[i].keyPosition > 0 && lines_[i].mayBeHeader; }
    // The classifier's verdict where it is the rule's, but for a Rem line;
    // the rule's where "friend " comes before the keyword.
    int32_t HeaderKeyword(size_t i, TextView text) const {
        if (!lines_[i].headerDecided) return rules::HeaderKeyword(text);
        return rules::FirstWordIsRem(text) ? 0 : lines_[i].keyPosition;
    }
    // The End line rule on the units: it compares ASCII only, which both
    // forms keep as they are.
    bool IsEndLine(size_t i) const {
        if ((lines_[i].shape & kMayBeEndLine) == 0) return false;
        const UnitView<Unit> line = Line(i);
        size_t at = SkipBlanks(line, 0);
        if (!StartsWithNoCase(line.substr(at), "end") || at + 3 >= line.size() || !IsBlankUnit(line[at + 3])) {
            return false;
        }
        at = SkipBlanks(line, at + 4);
        for (const std::string_view keyword : kEndKeywords) {
            if (!StartsWithNoCase(line.substr(at), keyword)) continue;
            const size_t after = at + keyword.size();
            const size_t rest = SkipBlanks(line, after);
            if (rest == line.size()) return true;
            return line[rest] == '\'' && (rest > after || line[after] == '\'');
        }
        return false;
    }
    bool IsAttributeLine(size_t i) const { return StartsWithNoCase(Line(i), "attribute "); }
    bool IsOptOutComment(size_t i) const { return scan::IsOptOutComment<Unit>(Line(i)); }
    // A name, blanks and ":" not followed by "=". An ASCII name is the
    // label; one with a unit of 128 or above is decoded for the rule.
    bool LabelAt(size_t i, Text& label) const {
        if ((lines_[i].shape & kMayBeLabel) == 0) return false;
        const UnitView<Unit> line = Line(i);
        size_t at = 1;
        bool ascii = UnitAsChar(line[0]) < 0x80;
        while (at < line.size() && MayBeNameUnit(line[at])) {
            ascii = ascii && UnitAsChar(line[at]) < 0x80;
            ++at;
        }
        const size_t colon = SkipBlanks(line, at);
        if (colon == line.size() || line[colon] != ':' || (colon + 1 < line.size() && line[colon + 1] == '=')) {
            return false;
        }
        if (!ascii) {
            Text storage;
            label = rules::LabelOf(TextOf(i, storage));
            return !label.empty();
        }
        label.clear();
        for (size_t k = 0; k < at; ++k) label.push_back(UnitAsChar(line[k]));
        return true;
    }
    bool MayHaveLineNumber(size_t i) const {
        const UnitView<Unit> line = Line(i);
        return !line.empty() && line[0] >= '0' && line[0] <= '9';
    }
    // Whether the line could start with `prefix`, letter case ignored:
    // decided on the prefix's ASCII start (a unit of 128 or above is never
    // an ASCII character), undecided (true) from its first other character on.
    bool MayStartWith(size_t i, TextView prefix) const {
        const UnitView<Unit> line = Line(i);
        for (size_t k = 0; k < prefix.size(); ++k) {
            if (prefix[k] >= 0x80) return true;
            if (k == line.size()) return false;
            if (FoldUnit(UnitAsChar(line[k])) != FoldUnit(prefix[k])) return false;
        }
        return true;
    }

    // Every line's extent, appended to `spans`.
    void AppendSpans(std::vector<LineSpan>& spans) {
        while (ClassifyMore()) {
        }
        spans.reserve(spans.size() + lines_.size());
        for (const ClassifiedLine& line : lines_) spans.push_back(LineSpan{line.start, line.end, line.continuedOnto});
    }

private:
    static bool Matters(const ClassifiedLine& line) {
        return line.mayBeHeader || line.continuedOnto || (line.shape & (kMayBeEndLine | kMayBeLabel)) != 0;
    }

    static std::vector<ClassifiedLine>& SpareLines() {
        thread_local std::vector<ClassifiedLine> spare;
        return spare;
    }

    UnitView<Unit> Line(size_t i) const { return text_.substr(lines_[i].start, lines_[i].end - lines_[i].start); }

    bool ClassifyMore() {
        const size_t first = lines_.size();
        if (!(ahead_ ? ahead_->AppendBatch(lines_) : classifier_.AppendBatch(lines_))) return false;
        for (size_t i = first; i < lines_.size(); ++i) FindContinuation(i);
        return true;
    }

    // Whether line i continues onto the next, which the rule tells once the
    // line ends in a blank and "_".
    void FindContinuation(size_t i) {
        ClassifiedLine& line = lines_[i];
        if (i > 0) {
            line.continuedOnto = lines_[i - 1].continues;
            line.comment = pendingComment_;
        }
        pendingComment_ = false;
        if ((line.shape & kMayContinue) == 0) return;
        Text storage;
        const rules::Continuation continuation = rules::ContinuationOf(TextOf(i, storage), line.comment);
        line.continues = continuation.continues;
        pendingComment_ = continuation.comment;
    }

    UnitView<Unit> text_;
    UnitDecoder<Unit> decode_;
    LineClassifier<Unit> classifier_;
    std::unique_ptr<ClassifyAhead<Unit>> ahead_;  // set: the lines come from there instead
    std::vector<ClassifiedLine> lines_;
    bool pendingComment_ = false;  // the last line's mark stands in a comment
};

template <typename Unit>
ModuleScan Scan(UnitView<Unit> text, UnitDecoder<Unit> decode, const TemplateChoice& templates,
                const ScanOptions& options, const DeclaredNames& declared) {
    const TextView lineBreak = options.lineBreak.empty() ? DetectLineBreak(text) : options.lineBreak;
    FastLines<Unit> lines(text, lineBreak, std::move(decode), options.classifyAhead);
    ModuleScan result = ProcedureWalk<FastLines<Unit>, true>(lines, lineBreak, templates, options, declared).Run(text.size());
    if (options.keepLines) lines.AppendSpans(result.lines);
    return result;
}

}  // namespace

void ModuleScan::AppendInsertion(const BlockSite& site, Text& out) const {
    static const ProcedureHeader noHeader;
    const ProcedureHeader& values = site.header >= 0 ? headers[static_cast<size_t>(site.header)] : noHeader;
    if (site.kind == BlockSite::Kind::Begin) {
        out.append(lineBreak).append(lineBreak);
        site.blockTemplate->AppendExpansion(values, site.line, out);
    } else {
        site.blockTemplate->AppendExpansion(values, site.line, out);
        out.append(lineBreak);
    }
}

ModuleScan ScanModule(TextView text, const TemplateChoice& templates, const ScanOptions& options) {
    DeclaredNames own;
    if (options.declared == nullptr) AddDeclarationsOf(text, own);
    return Scan<char16_t>(text, UnitDecoder<char16_t>(), templates, options,
                          options.declared != nullptr ? *options.declared : own);
}

ModuleScan ScanModuleBytes(std::string_view bytes, int32_t codePage, const TemplateChoice& templates,
                           const ScanOptions& options) {
    DeclaredNames own;
    if (options.declared == nullptr) AddDeclarationsOfBytes(bytes, codePage, true, own);
    return Scan<char>(bytes, UnitDecoder<char>(codePage), templates, options,
                      options.declared != nullptr ? *options.declared : own);
}

}  // namespace scan
