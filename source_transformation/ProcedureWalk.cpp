// The walk over a module's procedures, for every line source.
#include "source_transformation/ProcedureWalk.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "source_transformation/FastLines.h"
#include "source_transformation/LineNumbering.h"
#include "source_transformation/PlainLines.h"
#include "source_transformation/PreparedTemplates.h"
#include "source_transformation/ProcedureVerdict.h"
#include "source_transformation/ScanRules.h"

namespace scan {

namespace {

constexpr size_t kNoLine = ~size_t{0};

template <LineSource Lines>
class ProcedureWalk {
public:
    using Unit = typename Lines::Unit;

    ProcedureWalk(Lines& lines, vb::TextView lineBreak, const TemplateChoice& choice, const ScanOptions& options,
                  const DeclaredNames& declared)
        : lines_(lines),
          options_(options),
          choice_(choice),
          declared_(declared),
          lineBreak_(lineBreak),
          cache_(lineBreak, options.module, result_.templates) {}

    ModuleScan Run(size_t sizeHint) {
        // About one procedure per few hundred units of a typical module; a
        // huge text gets no more room than a large module needs.
        const size_t procedures = std::min<size_t>(sizeHint / 256, size_t{1} << 16);
        result_.headers.reserve(procedures);
        result_.procedures.reserve(procedures);
        result_.sites.reserve(2 * procedures);
        spans_.reserve(procedures);
        values_.reserve(procedures * 64);
        // The templates of the last header: blocks of earlier versions
        // between procedures are those of the procedure before them.
        const PreparedTemplates* current = cache_.For(&choice_.ForModule());
        size_t consumed = 0;  // lines before it belong to a header or a block found already
        size_t i = 0;
        // The header a procedure without an End line ran into, when it did.
        Header next;
        bool hasNext = false;
        while (lines_.Has(i)) {
            if (hasNext || HeaderAt(i, next)) {
                i = ScanProcedure(next, current, hasNext);
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
        result_.lineCount = i;
        KeepValues();
        return std::move(result_);
    }

private:
    struct Header {
        size_t line = 0;
        size_t lastLine = 0;
        size_t attributeEnd = 0;
        rules::HeaderSpans spans;  // of its values in values_
        size_t errObjectLine = kNoLine;
    };

    // Whether blocks are looked for at every line, where earlier versions
    // may have put them.
    bool FindsEarlierPlaces() const {
        return options_.mode == ScanMode::Recognize || options_.mode == ScanMode::Remove;
    }
    bool Judged() const { return options_.mode == ScanMode::Insert || options_.mode == ScanMode::Recognize; }

    size_t Start(size_t i) const { return lines_.Start(i); }
    size_t End(size_t i) const { return lines_.End(i); }
    vb::TextView TextOf(size_t i) { return lines_.TextOf(i, storage_); }

    bool IsEndLine(size_t i) { return !lines_.ContinuedOnto(i) && lines_.IsEndLine(i); }
    bool IsEmptyLine(size_t i) const { return Start(i) == End(i); }

    // Whether line i is a header's first line; if so, `header` is it.
    bool HeaderAt(size_t i, Header& header) {
        if (lines_.ContinuedOnto(i)) return false;
        const int32_t keyPosition = lines_.HeaderKeyword(i);
        if (keyPosition == 0) return false;
        size_t lastLine = i;
        while (lines_.Continues(lastLine) && lines_.Has(lastLine + 1)) ++lastLine;
        // Only what is judged or inserted needs the parameters.
        const bool withParameters = options_.mode != ScanMode::Locate;
        const UnitView<Unit> joined = lastLine == i ? lines_.UnitsOf(i) : JoinedHeader(i, lastLine);
        if (!rules::ParseHeader(joined, keyPosition, declared_, lines_.Reading(), values_, header.spans,
                                withParameters)) {
            return false;
        }
        if (values_.data() != valuesData_) RefreshViews();
        header.line = i;
        header.lastLine = lastLine;
        header.errObjectLine = kNoLine;
        if (header.spans.errObjectAt != vb::TextView::npos) {
            header.errObjectLine = LineOfJoinedOffset(header.line, header.lastLine, header.spans.errObjectAt);
        }
        header.attributeEnd = header.lastLine;
        while (lines_.Has(header.attributeEnd + 1) && lines_.IsAttributeLine(header.attributeEnd + 1)) {
            ++header.attributeEnd;
            while (lines_.Continues(header.attributeEnd) && lines_.Has(header.attributeEnd + 1)) ++header.attributeEnd;
        }
        return true;
    }

    // A continued header's lines joined: each final "_" and line break
    // dropped, the blanks around them kept.
    UnitView<Unit> JoinedHeader(size_t first, size_t last) {
        joined_.clear();
        for (size_t k = first; k <= last; ++k) {
            const UnitView<Unit> text = lines_.UnitsOf(k);
            if (k == last) {
                joined_ += text;
                continue;
            }
            const size_t mark = rules::TrimRight(text).size() - 1;  // the "_"; the blanks around it stay
            joined_.append(text.substr(0, mark)).append(text.substr(mark + 1));
        }
        return joined_;
    }

    // The line of a header's lines on which an offset of the joined header
    // stands: each line but the last gave all its units but the "_".
    size_t LineOfJoinedOffset(size_t first, size_t last, size_t offset) {
        for (size_t k = first; k < last; ++k) {
            const size_t given = End(k) - Start(k) - 1;
            if (offset < given) return k;
            offset -= given;
        }
        return last;
    }

    // Records the header and decides, as far as its own lines tell, what
    // stands under it.
    HeaderFound& AddHeader(const Header& header) {
        HeaderFound& found = procedure_.found.headers.emplace_back();
        found.index = spans_.size();
        found.statementAfter = header.spans.statementAfter;
        found.errParameter = header.spans.errParameter;
        found.errObjectLine = header.errObjectLine;
        const rules::HeaderSpans& spans = header.spans;
        spans_.push_back(ValueSpans{spans.kindAt, spans.nameAt, spans.parametersAt, spans.end});
        result_.headers.push_back(ProcedureHeader{header.line, header.lastLine, header.attributeEnd, {}, {}, {},
                                                  spans.holdsBrackets});
        View(found.index);
        const ProcedureHeader& viewed = result_.headers.back();
        const bool optedOut = options_.optOutComments && header.line > 0 && lines_.IsOptOutComment(header.line - 1);
        found.templates = optedOut ? nullptr : cache_.For(choice_.ForProcedure(viewed));
        found.regionEnd = header.attributeEnd;
        found.attributeEnd = header.attributeEnd;
        if (found.templates == nullptr) {
            found.state = BlockState::Excluded;
            return found;
        }
        if (options_.mode == ScanMode::Insert) return found;
        const HandlerTemplate& begin = found.templates->begin();
        const size_t count = begin.LineCount();
        if (BeginBlockAfter(header.attributeEnd, begin)) {
            // Attribute lines below it were there before the block: an
            // earlier version put it above them.
            const size_t after = header.attributeEnd + count + 2;
            const bool aboveAttributes = lines_.Has(after) && lines_.IsAttributeLine(after);
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
    // after it (the next header's line when it has no End line). `header`
    // is its first header; when the walk runs into the next procedure's
    // header before an End line, `header` becomes that one and
    // `hasNextHeader` is set.
    size_t ScanProcedure(Header& header, const PreparedTemplates*& current, bool& hasNextHeader) {
        procedure_.Reset();
        procedure_.found.judged = Judged();
        current = AddHeader(header).templates;
        FindErrorUses(procedure_.found.headers.back());
        hasNextHeader = false;
        size_t next = kNoLine;
        size_t k = procedure_.found.headers.back().regionEnd + 1;
        size_t notBefore = k;  // where a block an earlier version put in its body may start
        const bool findEarlier = FindsEarlierPlaces();
        while (true) {
            // Blocks of earlier versions may start on any line.
            if (!findEarlier) k = lines_.NextThatMatters(k);
            if (!lines_.Has(k)) break;
            if (HeaderAt(k, header)) {
                if (!AlternativesBetween(procedure_.found.headers.back(), k)) {
                    next = k;
                    hasNextHeader = true;
                    break;
                }
                current = AddHeader(header).templates;
                FindErrorUses(procedure_.found.headers.back());
                k = notBefore = procedure_.found.headers.back().regionEnd + 1;
                continue;
            }
            if (IsEndLine(k)) {
                procedure_.found.hasEndLine = true;
                procedure_.found.endLine = k;
                next = k + 1;
                break;
            }
            if (findEarlier) {
                const auto first = static_cast<int32_t>(procedure_.found.headers.front().index);
                const size_t after = EarlierBlockAt(k, current, notBefore, first, procedure_.inner);
                if (after != k) {
                    k = after;
                    continue;
                }
            }
            FindErrorUse(k);
            if (!lines_.ContinuedOnto(k) && lines_.LabelAt(k, label_)) procedure_.found.labels.emplace_back(k, label_);
            ++k;
        }
        procedure_.notBefore = notBefore;
        Finish();
        return next == kNoLine ? k : next;
    }

    // The first use of the error state in the body, until it is found or
    // an On Error is: a comment that a line continues holds none.
    void FindErrorUse(size_t k) {
        if (procedure_.errorUseFound || lines_.Comment(k)) return;
        const rules::ErrorUse use = lines_.ErrorUseAt(k);
        if (use.kind == rules::ErrorUse::Kind::None) return;
        procedure_.errorUseFound = true;
        procedure_.found.firstErrorUse = use;
        procedure_.found.firstErrorUseLine = k;
    }

    // The lines of a block that stands under a header belong to the body too.
    void FindErrorUses(const HeaderFound& header) {
        for (size_t k = header.attributeEnd + 1; k <= header.regionEnd; ++k) FindErrorUse(k);
    }

    // Two headers are alternatives of one procedure when a directive line
    // stands between them, unless the first has a statement on its own
    // line. (The walk stops at an End line, so none stands between them.)
    bool AlternativesBetween(const HeaderFound& first, size_t to) {
        if (first.statementAfter) return false;
        for (size_t k = first.regionEnd + 1; k < to; ++k) {
            if (!lines_.ContinuedOnto(k) && lines_.IsDirectiveLine(k)) return true;
        }
        return false;
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

    // Has the verdict decide the procedure's blocks, and records its sites.
    void Finish() {
        ProcedureFound& found = procedure_.found;
        std::vector<HeaderFound>& headers = found.headers;
        for (HeaderFound& header : headers) header.values = &result_.headers[header.index];
        bool any = false;  // a header has templates: the last of them gives the end template and values
        for (size_t k = 0; k < headers.size(); ++k) {
            if (headers[k].templates == nullptr) continue;
            found.lastWithTemplates = k;
            any = true;
        }
        const HeaderFound& last = headers[found.lastWithTemplates];
        found.end = any && !last.templates->end().Empty() ? &last.templates->end() : nullptr;
        found.endStands = options_.mode != ScanMode::Insert && found.end != nullptr && found.hasEndLine &&
                          EndBlockAbove(found.endLine, *found.end, procedure_.notBefore);
        found.blockAtOldPlace = !procedure_.inner.empty();
        for (const HeaderFound& header : headers) found.blockAtOldPlace |= header.state == BlockState::OldPlace;
        // A plain add takes a block that stands for code: whether one stands
        // tells a procedure that has its blocks from one whose own label clashes.
        if (options_.mode == ScanMode::Insert && !found.labels.empty()) {
            for (HeaderFound& header : headers) {
                if (header.state != BlockState::Missing) continue;
                header.blockStands = BeginBlockAfter(header.attributeEnd, header.templates->begin());
            }
        }
        const Verdict verdict = Decide(found);
        RecordProcedure();
        for (const HeaderFound& header : headers) FillBeginSite(header, verdict, result_.sites.emplace_back());
        for (BlockSite& site : procedure_.inner) result_.sites.push_back(std::move(site));
        if (found.end == nullptr || !found.hasEndLine) return;
        const auto lastIndex = static_cast<int32_t>(last.index);
        if (found.endStands) {
            result_.sites.push_back(EndSite(found.endLine, *found.end, lastIndex, BlockState::Standing));
        } else if (verdict.refusal == Refusal::None ? verdict.endBlock : verdict.endBlockAlone) {
            BlockSite& site = result_.sites.emplace_back();
            site.kind = BlockSite::Kind::End;
            site.line = found.endLine;
            site.header = lastIndex;
            if (verdict.refusal != Refusal::None) {
                Refuse(site, verdict);
            } else {
                site.insertAt = Start(found.endLine);
                site.blockTemplate = found.end;
            }
        }
    }

    void Refuse(BlockSite& site, const Verdict& verdict) {
        site.state = BlockState::Refused;
        site.refusal = verdict.refusal;
        if (!verdict.detail.empty()) site.detail = result_.details.emplace_back(verdict.detail);
        site.refusalLine = verdict.line;
    }

    // Fills in a new site, made in place: a site is too large to move about.
    void FillBeginSite(const HeaderFound& header, const Verdict& verdict, BlockSite& site) {
        const ProcedureHeader& values = result_.headers[header.index];
        site.kind = BlockSite::Kind::Begin;
        site.line = values.line;
        site.header = static_cast<int32_t>(header.index);
        site.state = header.state;
        if (header.state == BlockState::Missing && verdict.refusal != Refusal::None) {
            Refuse(site, verdict);
        } else if (header.state == BlockState::Missing) {
            site.insertAt = End(values.attributeEnd);
            site.blockTemplate = &header.templates->begin();
        } else if (header.state == BlockState::Standing || header.state == BlockState::OldPlace) {
            site.firstLine = header.blockFirst;
            site.from = End(header.blockFrom);
            site.to = End(header.blockFrom + header.templates->begin().LineCount() + 1);
        }
    }

    void RecordProcedure() {
        const ProcedureFound& found = procedure_.found;
        Procedure record;
        record.firstHeader = found.headers.front().index;
        record.headerCount = found.headers.size();
        record.hasEndLine = found.hasEndLine;
        record.endLine = found.endLine;
        result_.procedures.push_back(record);
    }

    // Header k's values, viewed in `values`.
    void ViewIn(vb::TextView values, size_t k) {
        const ValueSpans& spans = spans_[k];
        ProcedureHeader& header = result_.headers[k];
        header.kind = values.substr(spans.kindAt, spans.nameAt - spans.kindAt);
        header.name = values.substr(spans.nameAt, spans.parametersAt - spans.nameAt);
        header.parameters = values.substr(spans.parametersAt, spans.end - spans.parametersAt);
    }

    // Header k's values, viewed where they stand in values_.
    void View(size_t k) { ViewIn(values_, k); }

    // values_ moved as it grew: the headers are viewed again.
    void RefreshViews() {
        valuesData_ = values_.data();
        for (size_t k = 0; k < spans_.size(); ++k) View(k);
    }

    // The values move to the result, where they stay; the headers are
    // viewed there.
    void KeepValues() {
        result_.headerValues = std::make_unique<const Text>(std::move(values_));
        for (size_t k = 0; k < spans_.size(); ++k) ViewIn(*result_.headerValues, k);
    }

    // The procedure being walked: what the verdict gets, and what only the walk needs.
    struct Walked {
        ProcedureFound found;
        std::vector<BlockSite> inner;  // blocks at earlier versions' places in its body
        size_t notBefore = 0;          // where an end block above its End line may start
        bool errorUseFound = false;    // its first use of the error state, or an On Error, was found

        // Empty again, its vectors' room kept for the next procedure.
        void Reset() {
            std::vector<HeaderFound> headers = std::move(found.headers);
            std::vector<std::pair<size_t, Text>> labels = std::move(found.labels);
            headers.clear();
            labels.clear();
            inner.clear();
            found = ProcedureFound{};
            found.headers = std::move(headers);
            found.labels = std::move(labels);
            notBefore = 0;
            errorUseFound = false;
        }
    };

    Lines& lines_;
    const ScanOptions& options_;
    const TemplateChoice& choice_;
    const DeclaredNames& declared_;
    vb::TextView lineBreak_;
    ModuleScan result_;
    TemplateCache cache_;
    Text storage_;  // a line decoded for a rule
    Text label_;    // the label a line defines
    Walked procedure_;
    Text values_;                           // every header's values, one after the other
    const char16_t* valuesData_ = nullptr;  // where they stood when the headers were last viewed
    // Where each header's values stand in values_.
    struct ValueSpans {
        size_t kindAt;
        size_t nameAt;
        size_t parametersAt;
        size_t end;
    };
    std::vector<ValueSpans> spans_;
    std::basic_string<Unit> joined_;  // a continued header's lines joined
};

}  // namespace

template <LineSource Lines>
ModuleScan WalkProcedures(Lines& lines, vb::TextView lineBreak, const TemplateChoice& choice,
                          const ScanOptions& options, const DeclaredNames& declared, size_t sizeHint) {
    return ProcedureWalk<Lines>(lines, lineBreak, choice, options, declared).Run(sizeHint);
}

template ModuleScan WalkProcedures<PlainLines>(PlainLines&, vb::TextView, const TemplateChoice&, const ScanOptions&,
                                               const DeclaredNames&, size_t);
template ModuleScan WalkProcedures<FastLines<char16_t>>(FastLines<char16_t>&, vb::TextView, const TemplateChoice&,
                                                        const ScanOptions&, const DeclaredNames&, size_t);
template ModuleScan WalkProcedures<FastLines<char>>(FastLines<char>&, vb::TextView, const TemplateChoice&,
                                                    const ScanOptions&, const DeclaredNames&, size_t);

}  // namespace scan
