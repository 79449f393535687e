// The walk over a module's lines that the scan's rules describe: find each
// header, walk its procedure to its End line, then decide its blocks. It
// reads the lines through a line source, which answers the line rules:
//   bool Has(i) (line i exists); size_t Start(i); size_t End(i);
//   size_t NextThatMatters(i)            i, or a later line when those between are no header,
//                                        End line or label, nor continued onto
//   TextView TextOf(i, Text& storage)    the line as text
//   bool ContinuedOnto(i); bool Continues(i); bool Comment(i)
//   int32_t HeaderKeyword(i, text)       rules::HeaderKeyword of line i (its text given)
//   bool MayBeHeader(i)                  false only where HeaderKeyword is 0
//   bool IsEndLine(i); bool IsAttributeLine(i); bool IsOptOutComment(i)
//   bool LabelAt(i, Text& label)         rules::LabelOf, when line i defines one
//   bool MayStartWith(i, TextView prefix); bool MayHaveLineNumber(i)
// The plain source (ReferenceScan.cpp) answers each with the rule on the
// line's text; the fast one (ModuleScan.cpp) from a few units where it can.
// Whatever the source, the walk is the same, so both give the same scan,
// as long as each answer is the rule's.
#pragma once

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "source_transformation/HeaderRecognition.h"
#include "source_transformation/LineNumbering.h"
#include "source_transformation/ModuleScan.h"
#include "source_transformation/PreparedTemplates.h"
#include "source_transformation/ScanRules.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/Strings.h"

namespace scan {

/// `Shortcuts`: the labels and line lengths of a block are taken from the
/// template's shape (HandlerTemplate::Labels, LongestLine) instead of its
/// expansion; the plain scan expands every block it judges.
template <class Lines, bool Shortcuts>
class ProcedureWalk {
public:
    ProcedureWalk(Lines& lines, vb::TextView lineBreak, const TemplateChoice& choice, const ScanOptions& options,
                  const DeclaredNames& declared)
        : lines_(lines),
          options_(options),
          choice_(choice),
          declared_(declared),
          lineBreak_(lineBreak),
          cache_(lineBreak, options.module, result_.templates) {}

    /// `sizeHint`: the text's length, from which room for the results is made.
    ModuleScan Run(size_t sizeHint = 0) {
        // About one procedure per few hundred units of a typical module; a
        // huge text gets no more room than a large module needs.
        const size_t procedures = std::min<size_t>(sizeHint / 512, size_t{1} << 16);
        result_.headers.reserve(procedures);
        result_.procedures.reserve(procedures);
        result_.sites.reserve(procedures);
        spans_.reserve(procedures);
        values_.reserve(procedures * 32);
        const PreparedTemplates* current = cache_.For(&choice_.ForModule());
        size_t consumed = 0;  // lines before it belong to a header or a block found already
        size_t i = 0;
        std::optional<Header> next;  // the header a procedure without an End line ran into
        while (lines_.Has(i)) {
            if (!next) next = HeaderAt(i);
            if (next) {
                Header header = std::move(*next);
                next.reset();
                i = ScanProcedure(std::move(header), current, next);
                consumed = i;
                continue;
            }
            if (FindsEarlierPlaces()) {
                const size_t after = EarlierBlockAt(i, current, consumed, -1, result_.sites);
                if (after != i) {
                    i = after;
                    continue;
                }
            }
            ++i;
        }
        result_.lineBreak = Text(lineBreak_);
        KeepValues();
        return std::move(result_);
    }

private:
    struct Header {
        size_t line = 0;
        size_t lastLine = 0;
        size_t attributeEnd = 0;
        rules::HeaderSpans spans;  // of its values in values_
    };

    // One header with what the scan found under it.
    struct HeaderCase {
        size_t index = 0;                              // into the result's headers
        const PreparedTemplates* templates = nullptr;  // null: left alone
        BlockState state = BlockState::Missing;
        Refusal refusal = Refusal::None;
        Text label;
        size_t regionEnd = 0;   // its last line, a block that stands under it included
        size_t blockFirst = 0;  // Standing, OldPlace: the block's first line
        size_t blockFrom = 0;   // Standing, OldPlace: the line after which the block starts (with its empty line)
    };

    struct ProcedureCase {
        std::vector<HeaderCase> headers;
        bool hasEndLine = false;
        size_t endLine = 0;
        std::vector<std::pair<size_t, Text>> labels;  // the label lines of its body
        std::vector<BlockSite> inner;                 // blocks at earlier versions' places in its body
        size_t notBefore = 0;                         // where an end block above its End line may start
    };

    static constexpr size_t kNoLine = ~size_t{0};

    // Whether blocks are looked for at every line, where earlier versions
    // may have put them.
    bool FindsEarlierPlaces() const {
        return options_.mode == ScanMode::Recognize || options_.mode == ScanMode::Remove;
    }

    size_t Start(size_t i) const { return lines_.Start(i); }
    size_t End(size_t i) const { return lines_.End(i); }
    vb::TextView TextOf(size_t i) { return lines_.TextOf(i, storage_); }

    bool IsEndLine(size_t i) { return !lines_.ContinuedOnto(i) && lines_.IsEndLine(i); }
    bool IsAttributeLine(size_t i) { return lines_.IsAttributeLine(i); }
    bool IsEmptyLine(size_t i) const { return Start(i) == End(i); }

    // The header on line i, if it is one.
    std::optional<Header> HeaderAt(size_t i) {
        if (lines_.ContinuedOnto(i) || !lines_.MayBeHeader(i)) return std::nullopt;
        const vb::TextView line = TextOf(i);
        const int32_t keyPosition = lines_.HeaderKeyword(i, line);
        if (keyPosition == 0) return std::nullopt;
        Header header;
        header.line = i;
        header.lastLine = i;
        while (lines_.Continues(header.lastLine) && lines_.Has(header.lastLine + 1)) ++header.lastLine;
        std::optional<rules::HeaderSpans> spans;
        // Only what is judged or inserted needs the parameters.
        const bool withParameters = options_.mode != ScanMode::Locate;
        if (header.lastLine == i) {
            spans = rules::ParseHeader(line, keyPosition, declared_, values_, withParameters);
        } else {
            spans = rules::ParseHeader(JoinedHeader(i, header.lastLine), keyPosition, declared_, values_, withParameters);
        }
        if (!spans) return std::nullopt;
        header.spans = *spans;
        if (values_.data() != valuesData_) RefreshViews();
        header.attributeEnd = header.lastLine;
        while (lines_.Has(header.attributeEnd + 1) && IsAttributeLine(header.attributeEnd + 1)) {
            ++header.attributeEnd;
            while (lines_.Continues(header.attributeEnd) && lines_.Has(header.attributeEnd + 1)) ++header.attributeEnd;
        }
        return header;
    }

    // A continued header's lines joined: each final "_" and line break
    // dropped, the blanks around them kept.
    Text JoinedHeader(size_t first, size_t last) {
        Text joined;
        for (size_t k = first; k <= last; ++k) {
            const vb::TextView text = TextOf(k);
            if (k == last) {
                joined += text;
                continue;
            }
            const size_t mark = rules::TrimRight(text).size() - 1;  // the "_"; the blanks around it stay
            joined.append(text.substr(0, mark)).append(text.substr(mark + 1));
        }
        return joined;
    }

    // Records the header and decides, as far as its own lines tell, what
    // stands under it.
    HeaderCase AddHeader(Header header) {
        HeaderCase found;
        found.index = spans_.size();
        spans_.push_back(header.spans);
        result_.headers.push_back(ProcedureHeader{header.line, header.lastLine, header.attributeEnd, {}, {}, {}, true});
        View(found.index);
        const ProcedureHeader& viewed = result_.headers.back();
        const bool optedOut =
            options_.optOutComments && header.line > 0 && lines_.IsOptOutComment(header.line - 1);
        found.templates = optedOut ? nullptr : cache_.For(choice_.ForProcedure(viewed));
        found.regionEnd = header.attributeEnd;
        if (found.templates == nullptr) {
            found.state = BlockState::LeftAlone;
            return found;
        }
        if (options_.mode == ScanMode::Insert) return found;
        const HandlerTemplate& begin = found.templates->begin();
        const size_t count = begin.LineCount();
        if (BeginBlockAfter(header.attributeEnd, begin)) {
            // Attribute lines below it were there before the block: an
            // earlier version put it above them.
            const size_t after = header.attributeEnd + count + 2;
            const bool aboveAttributes = lines_.Has(after) && IsAttributeLine(after);
            found.state = aboveAttributes ? BlockState::OldPlace : BlockState::Standing;
            found.blockFrom = header.attributeEnd;
        } else if (header.lastLine > header.line && BeginBlockAfter(header.line, begin)) {
            found.state = BlockState::OldPlace;  // inside the header's continuation
            found.blockFrom = header.line;
        } else if (options_.mode != ScanMode::Locate && BeginBlockLooksEdited(header.attributeEnd, begin)) {
            found.state = BlockState::Edited;
            return found;
        } else {
            return found;
        }
        found.blockFirst = found.blockFrom + 2;
        found.regionEnd = std::max(found.regionEnd, found.blockFrom + count + 1);
        return found;
    }

    // Walks a procedure from its header to its End line; returns the line
    // after it (the next header's line when it has no End line).
    size_t ScanProcedure(Header first, const PreparedTemplates*& current, std::optional<Header>& nextHeader) {
        ProcedureCase& procedure = procedure_;
        procedure.headers.clear();
        procedure.labels.clear();
        procedure.inner.clear();
        procedure.hasEndLine = false;
        procedure.endLine = 0;
        procedure.headers.push_back(AddHeader(std::move(first)));
        current = procedure.headers.back().templates;
        size_t next = kNoLine;
        size_t k = procedure.headers.back().regionEnd + 1;
        size_t notBefore = k;  // where a block an earlier version put in its body may start
        const bool findEarlier = FindsEarlierPlaces();
        while (true) {
            // Blocks of earlier versions may start on any line.
            if (!findEarlier) k = lines_.NextThatMatters(k);
            if (!lines_.Has(k)) break;
            if (std::optional<Header> header = HeaderAt(k)) {
                if (!AlternativesBetween(procedure.headers.back().regionEnd + 1, k)) {
                    next = k;
                    nextHeader = std::move(header);
                    break;
                }
                procedure.headers.push_back(AddHeader(std::move(*header)));
                current = procedure.headers.back().templates;
                k = notBefore = procedure.headers.back().regionEnd + 1;
                continue;
            }
            if (IsEndLine(k)) {
                procedure.hasEndLine = true;
                procedure.endLine = k;
                next = k + 1;
                break;
            }
            if (findEarlier) {
                const auto header = static_cast<int32_t>(procedure.headers.front().index);
                const size_t after = EarlierBlockAt(k, current, notBefore, header, procedure.inner);
                if (after != k) {
                    k = after;
                    continue;
                }
            }
            if (!lines_.ContinuedOnto(k) && lines_.LabelAt(k, label_)) procedure.labels.emplace_back(k, label_);
            ++k;
        }
        procedure.notBefore = notBefore;
        Finish(procedure);
        return next == kNoLine ? k : next;
    }

    // Two headers are alternatives when the lines between them are
    // directives, blanks and comments, at least one a directive.
    bool AlternativesBetween(size_t from, size_t to) {
        bool directive = false;
        for (size_t k = from; k < to; ++k) {
            const vb::TextView text = TextOf(k);
            const bool comment = lines_.Comment(k) || (!lines_.ContinuedOnto(k) && rules::IsCommentLine(text));
            if (!lines_.ContinuedOnto(k) && rules::IsDirectiveLine(text)) {
                directive = true;
            } else if (!rules::IsBlankLine(text) && !comment) {
                return false;
            }
        }
        return directive;
    }

    // A block an earlier version put at line i: a begin block under a line
    // it took for a header, or an end block above a line its flag rule
    // marked, none of it before `notBefore`, which moves past it. Returns
    // the line after the begin block, else i.
    size_t EarlierBlockAt(size_t i, const PreparedTemplates* current, size_t& notBefore, int32_t header,
                          std::vector<BlockSite>& found) {
        if (current == nullptr) return i;
        const HandlerTemplate& begin = current->begin();
        if (BeginBlockAfter(i, begin) && rules::EarlierHeader(TextOf(i))) {
            BlockSite site;
            site.kind = BlockSite::Kind::Begin;
            site.line = i;
            site.header = header;
            site.state = BlockState::OldPlace;
            site.from = End(i);
            site.to = End(i + begin.LineCount() + 1);
            site.firstLine = i + 2;
            found.push_back(std::move(site));
            notBefore = i + begin.LineCount() + 2;
            return notBefore;
        }
        const HandlerTemplate& end = current->end();
        if (!end.Empty() && EndBlockAbove(i, end, notBefore) && rules::EarlierFlag(TextOf(i))) {
            found.push_back(EndSite(i, end, header, BlockState::OldPlace));
            notBefore = i;
        }
        return i;
    }

    BlockSite EndSite(size_t line, const HandlerTemplate& end, int32_t header, BlockState state) const {
        BlockSite site;
        site.kind = BlockSite::Kind::End;
        site.line = line;
        site.header = header;
        site.state = state;
        site.firstLine = line - end.LineCount();
        site.from = Start(site.firstLine);
        site.to = Start(line);
        return site;
    }

    // Lines first..first+count-1 are the lines of a block of `block`, each
    // as it stands or after a line number that was put in front of it.
    bool BlockLinesAt(size_t first, const HandlerTemplate& block) {
        for (size_t k = 0; k < block.LineCount(); ++k) {
            const size_t i = first + k;
            const bool mayMatch = lines_.MayStartWith(i, block.LinePrefix(k));
            if (!mayMatch && !lines_.MayHaveLineNumber(i)) return false;
            const vb::TextView text = TextOf(i);
            if (mayMatch && block.LineMatches(k, text, i)) continue;
            const size_t number = LineNumberLength(text);
            if (number == 0 || !block.LineMatches(k, text.substr(number), i)) return false;
        }
        return true;
    }

    // After line `after`: an empty line, then the block.
    bool BeginBlockAfter(size_t after, const HandlerTemplate& begin) {
        const size_t count = begin.LineCount();
        return begin.Recognizable() && lines_.Has(after + 1 + count) && IsEmptyLine(after + 1) &&
               BlockLinesAt(after + 2, begin);
    }

    // An empty line after line `after` and, where the block would stand (and
    // one line more), at least half of the template's distinctive lines.
    bool BeginBlockLooksEdited(size_t after, const HandlerTemplate& begin) {
        const size_t distinctive = begin.DistinctiveLineCount();
        if (distinctive == 0 || !lines_.Has(after + 1) || !IsEmptyLine(after + 1)) return false;
        std::vector<Text> texts;
        for (size_t k = after + 2; lines_.Has(k) && k <= after + begin.LineCount() + 2; ++k) {
            const vb::TextView text = TextOf(k);
            texts.emplace_back(text.substr(LineNumberLength(text)));
        }
        const std::vector<vb::TextView> region(texts.begin(), texts.end());
        return begin.ResemblingLines(region) >= (distinctive + 1) / 2;
    }

    // The lines directly above `line` are a block of `end`, none before `notBefore`.
    bool EndBlockAbove(size_t line, const HandlerTemplate& end, size_t notBefore) {
        const size_t count = end.LineCount();
        return end.Recognizable() && line >= notBefore + count && BlockLinesAt(line - count, end);
    }

    // Appends views of the labels a block for the header defines to
    // `labels`; what they view lives in the template or in labelStorage_
    // until the procedure is decided.
    void AddBlockLabels(const HandlerTemplate& block, size_t header, std::vector<vb::TextView>& labels) {
        if (block.TooShort()) return;
        if (storageUsed_ == labelStorage_.size()) labelStorage_.emplace_back();
        std::vector<Text>& storage = labelStorage_[storageUsed_++];
        if constexpr (Shortcuts) {
            for (const Text& label : block.Labels(result_.headers[header], storage)) labels.push_back(label);
        } else {
            storage.clear();
            for (const Text& line : BlockLines(block, header)) {
                const vb::TextView label = rules::LabelOf(line);
                if (!label.empty()) storage.emplace_back(label);
            }
            for (const Text& label : storage) labels.push_back(label);
        }
    }
    size_t LongestBlockLine(const HandlerTemplate& block, size_t header) const {
        if constexpr (Shortcuts) {
            return block.LongestLine(result_.headers[header]);
        } else {
            size_t longest = 0;
            if (block.TooShort()) return longest;
            for (const Text& line : BlockLines(block, header)) longest = std::max(longest, line.size());
            return longest;
        }
    }
    std::vector<Text> BlockLines(const HandlerTemplate& block, size_t header) const {
        Text text;
        block.AppendExpansion(result_.headers[header], result_.headers[header].line, text);
        return vb::Split(text, lineBreak_);
    }

    // Decides the procedure's blocks and records its sites.
    void Finish(ProcedureCase& procedure) {
        endRefusal_ = Refusal::None;
        endLabel_.clear();
        std::vector<HeaderCase>& headers = procedure.headers;
        const HeaderCase* last = nullptr;  // the last header with templates: its end template and values
        for (const HeaderCase& header : headers) last = header.templates != nullptr ? &header : last;
        const HandlerTemplate* end = last != nullptr && !last->templates->end().Empty() ? &last->templates->end() : nullptr;
        const bool endStands = options_.mode != ScanMode::Insert && end != nullptr && procedure.hasEndLine &&
                               EndBlockAbove(procedure.endLine, *end, procedure.notBefore);
        bool anyStanding = false;
        bool oldPlace = !procedure.inner.empty();
        for (const HeaderCase& header : headers) {
            anyStanding = anyStanding || header.state == BlockState::Standing;
            oldPlace = oldPlace || header.state == BlockState::OldPlace;
        }
        bool wantEnd = false;
        if (options_.mode == ScanMode::Insert || options_.mode == ScanMode::Recognize) {
            wantEnd = Judge(procedure, end, last, endStands, anyStanding, oldPlace);
        } else if (last != nullptr) {
            // Nothing is judged, nothing goes in; a begin template too short
            // to make a block is refused as it is by every other command.
            for (const HeaderCase& header : headers) {
                if (header.templates != nullptr) header.templates->begin().ThrowIfTooShort(result_.headers[header.index].line);
            }
        }
        RecordProcedure(procedure);
        for (const HeaderCase& header : headers) result_.sites.push_back(BeginSite(header));
        for (BlockSite& site : procedure.inner) result_.sites.push_back(std::move(site));
        if (end == nullptr || !procedure.hasEndLine) return;
        const auto lastIndex = static_cast<int32_t>(last->index);
        if (endStands) {
            result_.sites.push_back(EndSite(procedure.endLine, *end, lastIndex, BlockState::Standing));
        } else if (wantEnd || endRefusal_ != Refusal::None) {
            BlockSite site;
            site.kind = BlockSite::Kind::End;
            site.line = procedure.endLine;
            site.header = lastIndex;
            if (endRefusal_ != Refusal::None) {
                site.state = BlockState::Refused;
                site.refusal = endRefusal_;
                site.label = endLabel_;
            } else {
                site.insertAt = Start(procedure.endLine);
                site.blockTemplate = end;
            }
            result_.sites.push_back(std::move(site));
        }
    }

    // Refuses every header still missing its block; the end block is
    // refused on its own only when no begin block is.
    void RefuseAll(std::vector<HeaderCase*>& missing, Refusal refusal, const Text& label) {
        for (HeaderCase* header : missing) {
            header->state = BlockState::Refused;
            header->refusal = refusal;
            header->label = label;
        }
        if (missing.empty()) {
            endRefusal_ = refusal;
            endLabel_ = label;
        }
        missing.clear();
    }

    // Refuses the headers missing their block for which `refuses` holds.
    template <class Refuses>
    void RefuseEach(std::vector<HeaderCase*>& missing, Refusal refusal, Refuses refuses) {
        for (size_t k = 0; k < missing.size();) {
            if (refuses(*missing[k])) {
                missing[k]->state = BlockState::Refused;
                missing[k]->refusal = refusal;
                missing.erase(missing.begin() + static_cast<std::ptrdiff_t>(k));
            } else {
                ++k;
            }
        }
    }

    // A label of the blocks that is among `own`, letter case ignored; empty for none.
    static vb::TextView CommonLabel(const std::vector<vb::TextView>& labels, const std::vector<vb::TextView>& own) {
        for (const vb::TextView label : labels) {
            for (const vb::TextView other : own) {
                if (vb::NamesEqual(label, other)) return label;
            }
        }
        return {};
    }

    // The rules that leave a procedure alone, in order, for the headers
    // missing their block; true when the end block is to go in.
    bool Judge(ProcedureCase& procedure, const HandlerTemplate* end, const HeaderCase* last, bool endStands,
               bool anyStanding, bool oldPlace) {
        std::vector<HeaderCase*>& missing = missing_;
        missing.clear();
        for (HeaderCase& header : procedure.headers) {
            if (header.state == BlockState::Missing) missing.push_back(&header);
        }
        const bool endWanted = end != nullptr && !endStands && procedure.hasEndLine;
        auto wantsEnd = [&] { return endWanted && (!missing.empty() || anyStanding); };
        if (!wantsEnd() && missing.empty()) return false;
        if (oldPlace) {
            RefuseAll(missing, Refusal::BlockAtOldPlace, {});
            return false;
        }
        RefuseEach(missing, Refusal::StatementAfterHeader,
                   [&](const HeaderCase& header) { return spans_[header.index].statementAfter; });
        if (!wantsEnd() && missing.empty()) return false;
        if (!procedure.hasEndLine) {
            RefuseAll(missing, Refusal::NoEndLine, {});
            return false;
        }
        if (wantsEnd() && procedure.headers.size() > 1 && end->UsesParameters()) {
            const vb::TextView parameters = result_.headers[procedure.headers.front().index].parameters;
            for (const HeaderCase& header : procedure.headers) {
                if (result_.headers[header.index].parameters != parameters) {
                    RefuseAll(missing, Refusal::BranchParameters, {});
                    return false;
                }
            }
        }
        if (!LabelsAllowBlocks(procedure, end, last, endStands)) return false;
        RefuseEach(missing, Refusal::LongLine, [&](const HeaderCase& header) {
            return LongestBlockLine(header.templates->begin(), header.index) > kLongestLine;
        });
        if (wantsEnd() && LongestBlockLine(*end, last->index) > kLongestLine) {
            RefuseAll(missing, Refusal::LongLine, {});
            return false;
        }
        if (!missing.empty()) missing.front()->templates->begin().ThrowIfTooShort(result_.headers[missing.front()->index].line);
        return wantsEnd();
    }

    // Labels: those the blocks would define against those the body defines
    // (the lines of the blocks that stand left out), then the end block's
    // against the begin blocks'. False when they leave the procedure alone.
    bool LabelsAllowBlocks(ProcedureCase& procedure, const HandlerTemplate* end, const HeaderCase* last, bool endStands) {
        std::vector<HeaderCase*>& missing = missing_;
        if (procedure.labels.empty() && end == nullptr) return true;  // no label to clash with
        storageUsed_ = 0;
        std::vector<vb::TextView>& beginLabels = beginLabels_;
        std::vector<vb::TextView>& endLabels = endLabels_;
        beginLabels.clear();
        endLabels.clear();
        for (const HeaderCase* header : missing) AddBlockLabels(header->templates->begin(), header->index, beginLabels);
        if (end != nullptr) AddBlockLabels(*end, last->index, endLabels);
        if (beginLabels.empty() && endLabels.empty()) return true;
        std::vector<vb::TextView>& bodyLabels = bodyLabels_;
        bodyLabels.clear();
        for (const auto& [line, label] : procedure.labels) {
            bool inStandingBlock = endStands && line >= procedure.endLine - end->LineCount();
            for (const HeaderCase& header : procedure.headers) {
                inStandingBlock = inStandingBlock || (header.state == BlockState::Standing && line >= header.blockFirst &&
                                                      line <= header.regionEnd);
            }
            if (!inStandingBlock) bodyLabels.push_back(label);
        }
        vb::TextView common = CommonLabel(beginLabels, bodyLabels);
        if (common.empty()) common = CommonLabel(endLabels, bodyLabels);
        if (!common.empty()) {
            RefuseAll(missing, Refusal::HasLabel, Text(common));
            return false;
        }
        if (endLabels.empty()) return true;
        for (const HeaderCase& header : procedure.headers) {
            if (header.state == BlockState::Standing) AddBlockLabels(header.templates->begin(), header.index, beginLabels);
        }
        common = CommonLabel(endLabels, beginLabels);
        if (!common.empty()) {
            RefuseAll(missing, Refusal::LabelInBothBlocks, Text(common));
            return false;
        }
        return true;
    }

    BlockSite BeginSite(const HeaderCase& header) const {
        const ProcedureHeader& values = result_.headers[header.index];
        BlockSite site;
        site.kind = BlockSite::Kind::Begin;
        site.line = values.line;
        site.header = static_cast<int32_t>(header.index);
        site.state = header.state;
        site.refusal = header.refusal;
        site.label = header.label;
        if (header.state == BlockState::Missing) {
            site.insertAt = End(values.attributeEnd);
            site.blockTemplate = &header.templates->begin();
        } else if (header.state == BlockState::Standing || header.state == BlockState::OldPlace) {
            site.firstLine = header.blockFirst;
            site.from = End(header.blockFrom);
            site.to = End(header.blockFrom + header.templates->begin().LineCount() + 1);
        }
        return site;
    }

    void RecordProcedure(const ProcedureCase& procedure) {
        Procedure record;
        record.firstHeader = procedure.headers.front().index;
        record.headerCount = procedure.headers.size();
        record.hasEndLine = procedure.hasEndLine;
        record.endLine = procedure.endLine;
        result_.procedures.push_back(record);
    }

    // Header k's values, viewed where they stand in values_.
    void View(size_t k) {
        const rules::HeaderSpans& spans = spans_[k];
        const vb::TextView values = values_;
        ProcedureHeader& header = result_.headers[k];
        header.kind = values.substr(spans.kindAt, spans.nameAt - spans.kindAt);
        header.name = values.substr(spans.nameAt, spans.parametersAt - spans.nameAt);
        header.parameters = values.substr(spans.parametersAt, spans.end - spans.parametersAt);
        header.valuesMayHoldBrackets = spans.holdsBrackets;
    }

    // values_ moved as it grew: the headers are viewed again.
    void RefreshViews() {
        valuesData_ = values_.data();
        for (size_t k = 0; k < spans_.size(); ++k) View(k);
    }

    // The values move to the result, where they stay; the headers are
    // viewed there.
    void KeepValues() {
        result_.headerValues = std::make_unique<const Text>(std::move(values_));
        const vb::TextView kept = *result_.headerValues;
        for (size_t k = 0; k < spans_.size(); ++k) {
            const rules::HeaderSpans& spans = spans_[k];
            ProcedureHeader& header = result_.headers[k];
            header.kind = kept.substr(spans.kindAt, spans.nameAt - spans.kindAt);
            header.name = kept.substr(spans.nameAt, spans.parametersAt - spans.nameAt);
            header.parameters = kept.substr(spans.parametersAt, spans.end - spans.parametersAt);
        }
    }

    Lines& lines_;
    const ScanOptions& options_;
    const TemplateChoice& choice_;
    const DeclaredNames& declared_;
    vb::TextView lineBreak_;
    ModuleScan result_;
    TemplateCache cache_;
    Text storage_;                     // a line decoded for a rule
    Text label_;                       // the label a line defines
    std::vector<std::vector<Text>> labelStorage_;  // labels expanded for the procedure being decided
    size_t storageUsed_ = 0;
    std::vector<vb::TextView> beginLabels_, endLabels_, bodyLabels_;
    ProcedureCase procedure_;          // the procedure being walked, its vectors reused
    std::vector<HeaderCase*> missing_;
    Text values_;                          // every header's values, one after the other
    const char16_t* valuesData_ = nullptr;  // where they stood when the headers were last viewed
    std::vector<rules::HeaderSpans> spans_;  // each header's, in values_
    Refusal endRefusal_ = Refusal::None;  // the end block's refusal when no begin block was refused with it
    Text endLabel_;
};

}  // namespace scan
