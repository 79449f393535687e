// Which lines of a procedure take a line number, and the edits of number
// and unnumber. The scan's lines are looked at once, front to back, only in
// the bodies of procedures.
#include "source_transformation/LineNumbering.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string>
#include <utility>

#include "source_transformation/ScanRules.h"
#include "source_transformation/SourceUnits.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

using vb::TextView;

namespace scan {

namespace {

// The first words of the lines that take no number, but for End.
template <typename Unit>
bool IsUnnumberedWord(UnitView<Unit> word) {
    switch (word.size()) {
    case 3: return StartsWithNoCase<Unit>(word, "rem") || StartsWithNoCase<Unit>(word, "dim");
    case 4:
        return StartsWithNoCase<Unit>(word, "case") || StartsWithNoCase<Unit>(word, "else") ||
               StartsWithNoCase<Unit>(word, "loop") || StartsWithNoCase<Unit>(word, "next") ||
               StartsWithNoCase<Unit>(word, "wend");
    case 5: return StartsWithNoCase<Unit>(word, "const");
    case 6: return StartsWithNoCase<Unit>(word, "static") || StartsWithNoCase<Unit>(word, "elseif");
    default: return false;
    }
}

// The rule over either form.
template <typename Unit>
bool TakesLineNumberIn(UnitView<Unit> line, const Units<Unit>& units) {
    const size_t at = SkipBlanks(line, 0);
    if (at == line.size()) return false;
    const UnitView<Unit> text = line.substr(at);
    const size_t nameEnd = rules::NameLength(text, units);
    if (nameEnd == 0) {
        const Unit first = text.front();
        return first != '\'' && first != '#' && !IsDigitUnit(first);
    }
    // A label, indented or not.
    if (!rules::LabelOf(text, units).empty()) return false;
    const UnitView<Unit> word = text.substr(0, nameEnd);
    if (IsUnnumberedWord(word)) return false;
    // End and a word (End If, End Select, End Sub …) take none; a bare End
    // statement does.
    if (word.size() == 3 && StartsWithNoCase<Unit>(word, "end")) {
        const size_t after = SkipBlanks(text, nameEnd);
        return after == text.size() || !units.IsLetter(text[after]);
    }
    return true;
}

template <typename Unit>
size_t LineNumberLengthIn(UnitView<Unit> line) {
    size_t digits = 0;
    while (digits < line.size() && IsDigitUnit(line[digits])) ++digits;
    if (digits == 0) return 0;
    if (digits == line.size()) return digits;
    return IsBlankUnit(line[digits]) ? digits + 1 : 0;
}

// Whether a line starts with a line number, indented or not: no statement
// starts with a digit.
template <typename Unit>
bool StartsWithNumber(UnitView<Unit> line) {
    const size_t at = SkipBlanks(line, 0);
    return at < line.size() && IsDigitUnit(line[at]);
}

// The text the scan's standing blocks occupy, in text order: a line stands
// in a block when it starts in one. A begin block's range starts at the line
// break before its empty line, an end block's at its first line.
class BlockRanges {
public:
    explicit BlockRanges(const ModuleScan& scan) {
        for (const BlockSite& site : scan.sites) {
            if (site.state == BlockState::Standing || site.state == BlockState::OldPlace) {
                ranges_.emplace_back(site.from, site.to);
            }
        }
        std::sort(ranges_.begin(), ranges_.end());
    }
    /// For offsets that never decrease from one call to the next.
    bool Holds(size_t offset) {
        while (next_ < ranges_.size() && ranges_[next_].second <= offset) ++next_;
        return next_ < ranges_.size() && ranges_[next_].first <= offset;
    }

private:
    std::vector<std::pair<size_t, size_t>> ranges_;
    size_t next_ = 0;
};

// Whether the digits are those of `number`, as number writes it.
template <typename Unit>
bool DigitsAre(UnitView<Unit> digits, int64_t number) {
    std::array<char, 24> written{};
    const auto result = std::to_chars(written.data(), written.data() + written.size(), number);
    const auto size = static_cast<size_t>(result.ptr - written.data());
    if (digits.size() != size) return false;
    for (size_t k = 0; k < size; ++k) {
        if (digits[k] != static_cast<Unit>(written[k])) return false;
    }
    return true;
}

size_t DigitCount(int64_t number) {
    size_t count = 1;
    for (; number >= 10; number /= 10) ++count;
    return count;
}

// One line of a procedure's body, as number and unnumber see it.
template <typename Unit>
struct BodyLine {
    size_t index = 0;
    size_t start = 0;
    UnitView<Unit> text;
    bool continuedOnto = false;
    bool inBlock = false;
};

// Number and unnumber over one module: the bodies of its procedures that no
// policy or opt-out comment excludes, in text order.
template <typename Unit>
class Numbering {
public:
    Numbering(UnitView<Unit> text, const ModuleScan& scan, const NumberingOptions& options, bool recordLines,
              const Units<Unit>& units)
        : text_(text), scan_(scan), options_(options), recordLines_(recordLines), units_(units), blocks_(scan) {
        // Room for about one number in every 64 units, as in typical code.
        plan_.edits.Reserve(text.size() / 64);
        if (recordLines) plan_.numbered.reserve(text.size() / 64);
    }

    NumberingPlan Number() {
        ForEachBody([this](size_t header, size_t first, size_t end) { NumberProcedure(header, first, end); });
        return std::move(plan_);
    }
    NumberingPlan Unnumber() {
        ForEachBody([this](size_t header, size_t first, size_t end) { UnnumberProcedure(header, first, end); });
        return std::move(plan_);
    }

private:
    template <class Visit>
    void ForEachBody(Visit visit) {
        if (scan_.procedures.empty()) return;
        std::vector<bool> excluded(scan_.headers.size(), false);
        for (const BlockSite& site : scan_.sites) {
            if (site.kind == BlockSite::Kind::Begin && site.header >= 0 && site.state == BlockState::Excluded) {
                excluded[static_cast<size_t>(site.header)] = true;
            }
        }
        for (const Procedure& procedure : scan_.procedures) {
            if (!procedure.hasEndLine) continue;
            bool alone = false;
            for (size_t k = 0; k < procedure.headerCount; ++k) alone = alone || excluded[procedure.firstHeader + k];
            if (alone) continue;
            const size_t last = procedure.firstHeader + procedure.headerCount - 1;
            visit(procedure.firstHeader, scan_.headers[last].attributeEnd + 1, procedure.endLine);
        }
    }

    // Calls visit(line) for the body lines [first, end) while it returns
    // true.
    template <class Visit>
    void ForEachBodyLine(size_t first, size_t end, Visit visit) {
        for (size_t k = first; k < end; ++k) {
            const LineSpan& span = scan_.lines[k];
            BodyLine<Unit> line;
            line.index = k;
            line.start = span.start;
            line.text = text_.substr(span.start, span.end - span.start);
            line.continuedOnto = span.continuedOnto;
            line.inBlock = blocks_.Holds(span.start);
            if (!visit(line)) return;
        }
    }

    void NumberProcedure(size_t header, size_t first, size_t end) {
        const size_t editsBefore = plan_.edits.Size();
        int64_t number = options_.perModule ? next_ : options_.start;
        bool hasNumber = false;
        bool longLine = false;
        size_t tooLarge = ~size_t{0};  // the first line whose number is above the largest
        int64_t tooLargeNumber = 0;
        ForEachBodyLine(first, end, [&](const BodyLine<Unit>& line) {
            if (line.continuedOnto) return true;
            if (StartsWithNumber(line.text)) {
                hasNumber = true;
                return false;
            }
            if (line.inBlock || !TakesLineNumberIn(line.text, units_)) return true;
            if (number > kLargestLineNumber && tooLarge == ~size_t{0}) {
                tooLarge = line.index;
                tooLargeNumber = number;
            }
            longLine = longLine || line.text.size() + DigitCount(number) + 1 > kLongestLine;
            plan_.edits.Add(Edit{line.start, 0, Edit::Insert::LineNumber, number});
            if (recordLines_) plan_.numbered.push_back(NumberedLine{header, number, line.index});
            number += options_.step;
            return true;
        });
        if (hasNumber || longLine) {
            Undo(editsBefore);
            plan_.refused.push_back(
                {header, hasNumber ? NumberingRefusal::HasLineNumbers : NumberingRefusal::LongLine});
            return;
        }
        if (tooLarge != ~size_t{0}) {
            throw vb::VbError::AtLine(vb::ErrInvalidArgument, static_cast<int32_t>(tooLarge + 1),
                                      vb::ToUtf8(vb::Trim(scan_.headers[header].name)) + ": line number " +
                                          std::to_string(tooLargeNumber) + " is above " +
                                          std::to_string(kLargestLineNumber) + ", the largest VB6 accepts");
        }
        next_ = number;
    }

    void UnnumberProcedure(size_t header, size_t first, size_t end) {
        const size_t editsBefore = plan_.edits.Size();
        int64_t expected = options_.perModule ? next_ : options_.start;
        bool numbered = false;  // a line of the body has a number
        bool ours = true;       // every number is the one number gives that line
        ForEachBodyLine(first, end, [&](const BodyLine<Unit>& line) {
            if (line.continuedOnto) return true;
            const size_t length = LineNumberLengthIn(line.text);
            if (length == 0 && StartsWithNumber(line.text)) {
                // A number number does not write: indented, or without a blank after it.
                numbered = true;
                ours = false;
                return false;
            }
            if (length == 0) {
                // A statement line without a number: number would have numbered it.
                if (!line.inBlock && TakesLineNumberIn(line.text, units_)) ours = false;
                return ours || !numbered;
            }
            numbered = true;
            ours = ours && !line.inBlock && line.text[length - 1] == ' ' &&
                   DigitsAre(line.text.substr(0, length - 1), expected) &&
                   TakesLineNumberIn(line.text.substr(length), units_);
            if (!ours) return false;
            plan_.edits.Add(Edit{line.start, length, Edit::Insert::Nothing, 0});
            if (recordLines_) plan_.numbered.push_back(NumberedLine{header, expected, line.index});
            expected += options_.step;
            return true;
        });
        if (!numbered) return;
        if (!ours) {
            Undo(editsBefore);
            plan_.refused.push_back({header, NumberingRefusal::OtherLineNumbers});
            return;
        }
        next_ = expected;
    }

    void Undo(size_t editsBefore) {
        plan_.edits.TruncateTo(editsBefore);
        if (recordLines_) plan_.numbered.resize(editsBefore);
    }

    UnitView<Unit> text_;
    const ModuleScan& scan_;
    const NumberingOptions& options_;
    bool recordLines_;
    Units<Unit> units_;
    BlockRanges blocks_;
    NumberingPlan plan_;
    int64_t next_ = options_.start;  // per module: the next number
};

}  // namespace

bool TakesLineNumber(TextView line) { return TakesLineNumberIn(line, kTextUnits); }

size_t LineNumberLength(TextView line) { return LineNumberLengthIn(line); }

NumberingPlan PlanLineNumbers(TextView text, const ModuleScan& scan, const NumberingOptions& options,
                              bool recordLines) {
    return Numbering<char16_t>(text, scan, options, recordLines, kTextUnits).Number();
}

NumberingPlan PlanLineNumbers(std::string_view bytes, int32_t codePage, const ModuleScan& scan,
                              const NumberingOptions& options, bool recordLines) {
    return Numbering<char>(bytes, scan, options, recordLines, Units<char>(codePage)).Number();
}

NumberingPlan PlanLineNumberRemoval(TextView text, const ModuleScan& scan, const NumberingOptions& options,
                              bool recordLines) {
    return Numbering<char16_t>(text, scan, options, recordLines, kTextUnits).Unnumber();
}

NumberingPlan PlanLineNumberRemoval(std::string_view bytes, int32_t codePage, const ModuleScan& scan,
                                    const NumberingOptions& options, bool recordLines) {
    return Numbering<char>(bytes, scan, options, recordLines, Units<char>(codePage)).Unnumber();
}

}  // namespace scan
