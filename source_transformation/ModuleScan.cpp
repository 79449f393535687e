// The module scan: each line is classified in order (key position, header
// test, exclusion tests), headers are parsed, and every place where a begin
// or an end block belongs is recorded with what stands there now.
#include "source_transformation/ModuleScan.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <system_error>
#include <type_traits>
#include <utility>

#include "source_transformation/ClassifyAhead.h"
#include "source_transformation/HeaderRecognition.h"
#include "source_transformation/LineClassifier.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Strings.h"

using namespace vb;

namespace scan {

namespace {

// The lines the scan looks at, classified in order as it asks for them.
// The scan looks ahead over a block's lines and back one line at most, so
// the lines it has left behind are dropped now and then.
template <typename Unit>
class LineWindow {
public:
    LineWindow(UnitView<Unit> text, TextView lineBreak, bool classifyAhead)
        : text_(text), classifier_(text, lineBreak) {
        if (!classifyAhead) return;
        try {
            ahead_ = std::make_unique<ClassifyAhead<Unit>>(text, lineBreak);
        } catch (const std::system_error&) {
            // No thread to be had: the lines are classified here, as always.
        }
    }

    /// Whether line i exists.
    bool Has(size_t i) {
        while (first_ + lines_.size() <= i) {
            if (!Classify()) return false;
        }
        return true;
    }
    size_t Start(size_t i) const { return At(i).start; }
    /// Where line i's text ends: at its line break, or at the end of the text.
    size_t End(size_t i) const { return At(i).end; }
    UnitView<Unit> Line(size_t i) const { return text_.substr(Start(i), End(i) - Start(i)); }
    int32_t KeyPosition(size_t i) const { return At(i).P; }
    bool HeaderCandidate(size_t i) const { return At(i).headerCandidate; }
    bool SetsEndOfProcedure(size_t i) const { return At(i).setsEndOfProcedure; }
    /// The first line from i on that is a header candidate or sets the
    /// end-of-procedure flag, or the index after the last line when none is.
    size_t NextThatMatters(size_t i) {
        for (;;) {
            const size_t available = first_ + lines_.size();
            while (i < available && !Matters(lines_[i - first_])) ++i;
            if (i < available) return i;
            DropBefore(i == 0 ? 0 : i - 1);
            if (!Classify()) return i;
        }
    }
    /// Lines before i are not asked for again.
    void DropBefore(size_t i) {
        constexpr size_t kKeep = 4096;
        if (i < first_ + kKeep) return;
        const size_t dropped = std::min(i - first_, lines_.size());
        lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(dropped));
        first_ += dropped;
    }

private:
    const ClassifiedLine& At(size_t i) const { return lines_[i - first_]; }
    static bool Matters(const ClassifiedLine& line) { return line.headerCandidate || line.setsEndOfProcedure; }
    bool Classify() { return ahead_ ? ahead_->AppendBatch(lines_) : classifier_.AppendBatch(lines_); }

    UnitView<Unit> text_;
    LineClassifier<Unit> classifier_;
    std::unique_ptr<ClassifyAhead<Unit>> ahead_;  // set: the lines come from there instead
    std::vector<ClassifiedLine> lines_;
    size_t first_ = 0;  // the index of lines_.front()
};

// A pair of templates prepared for the text being scanned.
struct PreparedTemplates {
    std::shared_ptr<const HandlerTemplate> beginTemplate;
    std::shared_ptr<const HandlerTemplate> endTemplate;
    const HandlerTemplate& begin() const { return *beginTemplate; }
    const HandlerTemplate& end() const { return *endTemplate; }
};

// Whether `line` could start with `prefix`, letter case ignored: decided on
// the prefix's ASCII start (a byte of 128 or above is never an ASCII
// character), undecided (true) from its first other character on.
template <typename Unit>
bool MayStartWith(UnitView<Unit> line, TextView prefix) {
    for (size_t k = 0; k < prefix.size(); ++k) {
        if (prefix[k] >= 0x80) return true;
        if (k == line.size()) return false;
        const auto unit = static_cast<char16_t>(static_cast<std::make_unsigned_t<Unit>>(line[k]));
        if (FoldUnit(unit) != FoldUnit(prefix[k])) return false;
    }
    return true;
}

// Scans UTF-16 text (Unit char16_t) or the bytes of an ASCII-keeping
// single-byte code page (Unit char); `decode` turns the values it takes
// from the text into Text.
template <typename Unit>
class Scanner {
public:
    Scanner(UnitView<Unit> text, UnitDecoder<Unit> decode, const TemplateChoice& choice, const ScanOptions& options)
        : decode_(std::move(decode)),
          choice_(choice),
          options_(options),
          lineBreak_(options.lineBreak.empty() ? DetectLineBreak(text) : options.lineBreak),
          lines_(text, lineBreak_, options.classifyAhead) {
        current_ = &Prepared(choice.ForModule());
    }

    ModuleScan Run() {
        size_t i = 0;
        for (;;) {
            // The classifier has run the header test on every line with a
            // key position. A line that is no header candidate and leaves
            // the end-of-procedure flag clear changes nothing, unless a
            // standing end block may start on it.
            if (!MayFindStandingEndBlock()) i = lines_.NextThatMatters(i);
            if (!lines_.Has(i)) break;
            lines_.DropBefore(i == 0 ? 0 : i - 1);
            std::optional<BlockSite> standingEnd = StandingEndBlockAt(i);
            if (standingEnd) i = standingEnd->line;
            const int32_t P = lines_.KeyPosition(i);
            if (P == 0) {
                ++i;
                continue;
            }
            size_t next = i + 1;
            if (lines_.HeaderCandidate(i)) {
                if (const std::optional<HeaderValueSpans> spans =
                        ParseHeader(lines_.Line(i), P, decode_, headerValues_)) {
                    next = BeginStep(i, *spans);
                }
            }
            EndStep(i, std::move(standingEnd));
            i = next;
        }
        result_.lineBreak = Text(lineBreak_);
        KeepHeaderValues();
        return std::move(result_);
    }

private:
    bool Recognizing() const { return options_.mode == ScanMode::RecognizeBlocks; }

    const PreparedTemplates& Prepared(const HandlerTemplates& templates) {
        for (const auto& [source, prepared] : prepared_) {
            if (source == &templates) return *prepared;
        }
        auto prepared = std::make_unique<PreparedTemplates>(PreparedTemplates{
            std::make_shared<HandlerTemplate>(templates.begin, HandlerTemplate::Role::Begin, lineBreak_,
                                              options_.module),
            std::make_shared<HandlerTemplate>(templates.end, HandlerTemplate::Role::End, lineBreak_,
                                              options_.module)});
        result_.templates.push_back(prepared->beginTemplate);
        result_.templates.push_back(prepared->endTemplate);
        prepared_.emplace_back(&templates, std::move(prepared));
        return *prepared_.back().second;
    }

    // The values move to the result, where they stay; the headers are
    // pointed at them there.
    void KeepHeaderValues() {
        result_.headerValues = std::make_unique<const Text>(std::move(headerValues_));
        for (size_t k = 0; k < result_.headers.size(); ++k) {
            result_.headers[k] = headerSpans_[k].In(*result_.headerValues, result_.headers[k].line);
        }
    }

    // The begin step of the header on line i; returns the next line to scan.
    size_t BeginStep(size_t i, const HeaderValueSpans& spans) {
        // The header's values are viewed where they stand now, until the
        // next header's are appended.
        const ProcedureHeader header = spans.In(headerValues_, i);
        const bool optedOut = options_.optOutComments && i > 0 && IsOptOutComment(lines_.Line(i - 1));
        const HandlerTemplates* chosen = optedOut ? nullptr : choice_.ForProcedure(header);
        result_.headers.push_back(header);
        headerSpans_.push_back(spans);

        BlockSite site;
        site.kind = BlockSite::Kind::Begin;
        site.line = i;
        site.header = static_cast<int32_t>(result_.headers.size() - 1);
        current_ = chosen != nullptr ? &Prepared(*chosen) : nullptr;
        if (current_ == nullptr) {
            site.state = BlockState::LeftAlone;
            result_.sites.push_back(std::move(site));
            return i + 1;
        }

        const HandlerTemplate& begin = current_->begin();
        begin.ThrowIfTooShort(i);
        size_t next = i + 1;
        if (Recognizing() && BeginBlockStandsAt(i + 1, begin)) {
            site.state = BlockState::Standing;
            site.from = lines_.End(i);
            site.to = lines_.End(i + begin.LineCount() + 1);
            next = i + begin.LineCount() + 2;
        } else if (Recognizing() && BeginBlockLooksEditedAt(i + 1, begin)) {
            site.state = BlockState::Edited;
        } else {
            site.insertAt = lines_.End(i);
            site.blockTemplate = &begin;
        }
        result_.sites.push_back(std::move(site));
        return next;
    }

    // The end step of a line whose key position is above 0: a line that set
    // the end-of-procedure flag gets the end block above it.
    void EndStep(size_t i, std::optional<BlockSite> standing) {
        if (!lines_.SetsEndOfProcedure(i)) return;
        if (current_ == nullptr || current_->end().Empty()) return;
        if (standing) {
            result_.sites.push_back(std::move(*standing));
            return;
        }
        BlockSite site;
        site.kind = BlockSite::Kind::End;
        site.line = i;
        site.header = static_cast<int32_t>(result_.headers.size()) - 1;
        site.insertAt = lines_.Start(i);
        site.blockTemplate = &current_->end();
        result_.sites.push_back(std::move(site));
    }

    // After a header: one empty line, then the block's lines.
    bool BeginBlockStandsAt(size_t first, const HandlerTemplate& begin) {
        const size_t count = begin.LineCount();
        if (!begin.Recognizable() || !lines_.Has(first + count) || !lines_.Line(first).empty()) return false;
        for (size_t k = 0; k < count; ++k) {
            if (!LineMatches(begin, k, first + 1 + k, first - 1)) return false;
        }
        return true;
    }

    // An empty line after the header and, in the lines where the block
    // would stand (and one more), at least half of the template's
    // distinctive lines: a block that was changed by hand.
    bool BeginBlockLooksEditedAt(size_t first, const HandlerTemplate& begin) {
        const size_t distinctive = begin.DistinctiveLineCount();
        if (distinctive == 0 || !lines_.Has(first) || !lines_.Line(first).empty()) return false;
        std::vector<Text> decoded(begin.LineCount() + 1);
        std::vector<TextView> region;
        for (size_t k = first + 1; lines_.Has(k) && k <= first + begin.LineCount() + 1; ++k) {
            region.push_back(TextOf(k, decoded[k - first - 1]));
        }
        return begin.ResemblingLines(region) >= (distinctive + 1) / 2;
    }

    // Whether an end block of the current template may stand on a line.
    bool MayFindStandingEndBlock() const {
        return Recognizing() && current_ != nullptr && !current_->end().Empty();
    }

    // An end block of the current template standing at line i, directly
    // above a line that sets the flag: the site, with `line` at that line.
    std::optional<BlockSite> StandingEndBlockAt(size_t i) {
        if (!MayFindStandingEndBlock()) return std::nullopt;
        const HandlerTemplate& end = current_->end();
        const size_t count = end.LineCount();
        if (!end.Recognizable() || !lines_.Has(i + count)) return std::nullopt;
        for (size_t k = 0; k < count; ++k) {
            if (!LineMatches(end, k, i + k, i + k)) return std::nullopt;
        }
        if (!lines_.SetsEndOfProcedure(i + count)) return std::nullopt;
        BlockSite site;
        site.kind = BlockSite::Kind::End;
        site.line = i + count;
        site.header = static_cast<int32_t>(result_.headers.size()) - 1;
        site.state = BlockState::Standing;
        site.from = lines_.Start(i);
        site.to = lines_.Start(i + count);
        return site;
    }

    // Whether line i could be line k of a block of `blockTemplate`, as
    // HandlerTemplate::LineMatches tells (`lineIndex` for its error). In the
    // byte form the line's start is compared first, so that most lines are
    // never decoded.
    bool LineMatches(const HandlerTemplate& blockTemplate, size_t k, size_t i, size_t lineIndex) {
        if constexpr (sizeof(Unit) == 1) {
            if (!MayStartWith(lines_.Line(i), blockTemplate.LinePrefix(k))) {
                blockTemplate.ThrowIfTooShort(lineIndex);
                return false;
            }
        }
        return blockTemplate.LineMatches(k, TextOf(i, decodedLine_), lineIndex);
    }

    // Line i as text: the line itself, or its bytes decoded into `storage`.
    TextView TextOf(size_t i, Text& storage) const {
        if constexpr (sizeof(Unit) == 2) {
            (void)storage;
            return lines_.Line(i);
        } else {
            storage.clear();
            decode_.AppendTo(lines_.Line(i), storage);
            return storage;
        }
    }

    UnitDecoder<Unit> decode_;
    Text decodedLine_;  // a line being compared with a template, in the byte form
    const TemplateChoice& choice_;
    const ScanOptions& options_;
    TextView lineBreak_;
    LineWindow<Unit> lines_;
    std::vector<std::pair<const HandlerTemplates*, std::unique_ptr<PreparedTemplates>>> prepared_;
    const PreparedTemplates* current_ = nullptr;  // the templates of the most recent header; null: left alone
    Text headerValues_;                          // the values of the headers so far
    std::vector<HeaderValueSpans> headerSpans_;  // where each header's values stand in them
    ModuleScan result_;
};

}  // namespace

void ModuleScan::AppendInsertion(const BlockSite& site, Text& out) const {
    static const ProcedureHeader noHeader;
    // An end block takes the values of the most recent header; before any
    // header they are empty.
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
    return Scanner<char16_t>(text, UnitDecoder<char16_t>(), templates, options).Run();
}

ModuleScan ScanModuleBytes(std::string_view bytes, int32_t codePage, const TemplateChoice& templates,
                           const ScanOptions& options) {
    return Scanner<char>(bytes, UnitDecoder<char>(codePage), templates, options).Run();
}

}  // namespace scan
