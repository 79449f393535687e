// The module scan: each line is classified in order (key position, header
// test, exclusion tests), headers are parsed, and every place where a begin
// or an end block belongs is recorded with what stands there now.
#include "source_transformation/ModuleScan.h"

#include <memory>
#include <optional>
#include <utility>

#include "source_transformation/HeaderRecognition.h"
#include "vb_runtime/LineBreak.h"

using namespace vb;

namespace scan {

namespace {

// The lines of a text split at its line break; an empty text has none.
class Lines {
public:
    Lines(TextView text, TextView lineBreak) : text_(text), breakSize_(lineBreak.size()) {
        if (text.empty()) return;
        starts_.push_back(0);
        for (size_t at = text.find(lineBreak); at != TextView::npos; at = text.find(lineBreak, at + breakSize_)) {
            starts_.push_back(at + breakSize_);
        }
    }
    size_t Count() const { return starts_.size(); }
    size_t Start(size_t i) const { return starts_[i]; }
    /// Where line i's text ends: at its line break, or at the end of the text.
    size_t End(size_t i) const { return i + 1 < starts_.size() ? starts_[i + 1] - breakSize_ : text_.size(); }
    TextView Line(size_t i) const { return text_.substr(Start(i), End(i) - Start(i)); }

private:
    TextView text_;
    size_t breakSize_;
    std::vector<size_t> starts_;
};

// A pair of templates prepared for the text being scanned.
struct PreparedTemplates {
    HandlerTemplate begin;
    HandlerTemplate end;
};

// True for a line that sets the end-of-procedure flag: one above which the
// end block goes.
bool SetsEndOfProcedureFlag(TextView line) {
    const int32_t P = KeyPosition(line);
    if (P <= 1) return false;
    bool flag = false;
    IsHeaderCandidate(line, P, flag);
    return flag;
}

class Scanner {
public:
    Scanner(TextView text, const TemplateChoice& choice, const ScanOptions& options)
        : choice_(choice),
          options_(options),
          lineBreak_(DetectLineBreak(text)),
          lines_(text, lineBreak_),
          current_(&Prepared(choice.ForModule())) {}

    ModuleScan Run() {
        size_t i = 0;
        while (i < lines_.Count()) {
            std::optional<BlockSite> standingEnd = StandingEndBlockAt(i);
            if (standingEnd) i = standingEnd->line;
            const TextView line = lines_.Line(i);
            const int32_t P = KeyPosition(line);
            if (P == 0) {
                ++i;
                continue;
            }
            size_t next = i + 1;
            if (IsHeaderCandidate(line, P, endOfProcedure_)) {
                if (std::optional<ProcedureHeader> header = ParseHeader(line, P)) {
                    header->line = i;
                    next = BeginStep(std::move(*header), line);
                }
            }
            EndStep(i, std::move(standingEnd));
            i = next;
        }
        result_.lineBreak = Text(lineBreak_);
        return std::move(result_);
    }

private:
    bool Recognizing() const { return options_.mode == ScanMode::RecognizeBlocks; }

    const PreparedTemplates& Prepared(const HandlerTemplates& templates) {
        for (const auto& [source, prepared] : prepared_) {
            if (source == &templates) return *prepared;
        }
        prepared_.emplace_back(&templates, std::make_unique<PreparedTemplates>(PreparedTemplates{
                                               HandlerTemplate(templates.begin, HandlerTemplate::Role::Begin,
                                                               lineBreak_, options_.module),
                                               HandlerTemplate(templates.end, HandlerTemplate::Role::End, lineBreak_,
                                                               options_.module)}));
        return *prepared_.back().second;
    }

    const ProcedureHeader& MostRecentHeader() const {
        static const ProcedureHeader none;
        return result_.headers.empty() ? none : result_.headers.back();
    }

    // The begin step of a recognised header; returns the next line to scan.
    size_t BeginStep(ProcedureHeader header, TextView headerLine) {
        const size_t i = header.line;
        const bool optedOut = options_.optOutComments && i > 0 && IsOptOutComment(lines_.Line(i - 1));
        const HandlerTemplates* chosen = optedOut ? nullptr : choice_.ForProcedure(header, headerLine);
        result_.headers.push_back(std::move(header));

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

        const HandlerTemplate& begin = current_->begin;
        const Text block = begin.Expand(result_.headers.back(), i);
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
            site.insertion.reserve(2 * lineBreak_.size() + block.size());
            site.insertion.append(lineBreak_).append(lineBreak_).append(block);
        }
        result_.sites.push_back(std::move(site));
        return next;
    }

    // The end step of a line whose key position is above 0: a line that set
    // the end-of-procedure flag gets the end block above it.
    void EndStep(size_t i, std::optional<BlockSite> standing) {
        if (!endOfProcedure_) return;
        endOfProcedure_ = false;
        if (current_ == nullptr || current_->end.Empty()) return;
        if (standing) {
            result_.sites.push_back(std::move(*standing));
            return;
        }
        BlockSite site;
        site.kind = BlockSite::Kind::End;
        site.line = i;
        site.header = static_cast<int32_t>(result_.headers.size()) - 1;
        site.insertAt = lines_.Start(i);
        site.insertion = current_->end.Expand(MostRecentHeader(), i);
        site.insertion.append(lineBreak_);
        result_.sites.push_back(std::move(site));
    }

    // After a header: one empty line, then the block's lines.
    bool BeginBlockStandsAt(size_t first, const HandlerTemplate& begin) const {
        const size_t count = begin.LineCount();
        if (!begin.Recognizable() || first + count >= lines_.Count() || !lines_.Line(first).empty()) return false;
        for (size_t k = 0; k < count; ++k) {
            if (!begin.LineMatches(k, lines_.Line(first + 1 + k), first - 1)) return false;
        }
        return true;
    }

    // An empty line after the header and, in the lines where the block
    // would stand (and one more), at least half of the template's
    // distinctive lines: a block that was changed by hand.
    bool BeginBlockLooksEditedAt(size_t first, const HandlerTemplate& begin) const {
        const size_t distinctive = begin.DistinctiveLineCount();
        if (distinctive == 0 || first >= lines_.Count() || !lines_.Line(first).empty()) return false;
        std::vector<TextView> region;
        for (size_t k = first + 1; k < lines_.Count() && k <= first + begin.LineCount() + 1; ++k) {
            region.push_back(lines_.Line(k));
        }
        return begin.ResemblingLines(region) >= (distinctive + 1) / 2;
    }

    // An end block of the current template standing at line i, directly
    // above a line that sets the flag: the site, with `line` at that line.
    std::optional<BlockSite> StandingEndBlockAt(size_t i) const {
        if (!Recognizing() || current_ == nullptr || current_->end.Empty()) return std::nullopt;
        const HandlerTemplate& end = current_->end;
        const size_t count = end.LineCount();
        if (!end.Recognizable() || i + count >= lines_.Count()) return std::nullopt;
        for (size_t k = 0; k < count; ++k) {
            if (!end.LineMatches(k, lines_.Line(i + k), i + k)) return std::nullopt;
        }
        if (!SetsEndOfProcedureFlag(lines_.Line(i + count))) return std::nullopt;
        BlockSite site;
        site.kind = BlockSite::Kind::End;
        site.line = i + count;
        site.header = static_cast<int32_t>(result_.headers.size()) - 1;
        site.state = BlockState::Standing;
        site.from = lines_.Start(i);
        site.to = lines_.Start(i + count);
        return site;
    }

    const TemplateChoice& choice_;
    const ScanOptions& options_;
    TextView lineBreak_;
    Lines lines_;
    std::vector<std::pair<const HandlerTemplates*, std::unique_ptr<PreparedTemplates>>> prepared_;
    const PreparedTemplates* current_;  // the templates of the most recent header; null: left alone
    bool endOfProcedure_ = false;
    ModuleScan result_;
};

}  // namespace

ModuleScan ScanModule(TextView text, const TemplateChoice& templates, const ScanOptions& options) {
    return Scanner(text, templates, options).Run();
}

}  // namespace scan
