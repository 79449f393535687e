// A handler template prepared for one text: its line breaks made the text's
// own, the begin template's final line break cut off, its placeholders
// expanded per procedure, and its lines turned into patterns that recognise
// a block it produced earlier, whatever the placeholders became.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "source_transformation/ProcedureHeader.h"
#include "vb_runtime/Text.h"

namespace scan {

/// The values of the module placeholders "[ModuleName]", "[FileName]" and
/// "[ProjectName]". Where a scan has none, those are plain text.
struct ModuleValues {
    Text moduleName;
    Text fileName;
    Text projectName;
};

class HandlerTemplate {
public:
    enum class Role {
        Begin,  ///< loses its final line break, if it has one; an empty one makes no block
        End,    ///< used whole; an empty end template means no end blocks
    };

    /// `raw` is the template as given (CR LF line breaks); for an LF text
    /// its CR LFs become LF. `module` may be null; it must outlive this.
    HandlerTemplate(vb::TextView raw, Role role, vb::TextView lineBreak, const ModuleValues* module);

    bool Empty() const { return body_.empty() && !tooShort_; }

    /// An empty begin template: it makes no block, and expanding it throws.
    bool TooShort() const { return tooShort_; }

    /// Whether the template holds "[Paramenters]" (letter case ignored).
    bool UsesParameters() const { return usesParameters_; }

    /// Appends the block for one procedure: "[ProcName]", then "[ProcType]",
    /// then "[Paramenters]" replaced (letter case ignored, inserted text not
    /// rescanned by its own replacement), then the module placeholders.
    /// Throws VbError 5 naming `lineIndex` (1-based in the message) for an
    /// empty begin template.
    void AppendExpansion(const ProcedureHeader& values, size_t lineIndex, Text& out) const;

    /// About how long an expansion is: the template with its placeholders
    /// left out, plus room for their values (for reserving output space).
    size_t SizeEstimate() const { return body_.size() + 64; }

    /// Throws what AppendExpansion would throw for a begin template that is too short.
    void ThrowIfTooShort(size_t lineIndex) const;

    /// The number of lines a block of this template occupies.
    size_t LineCount() const { return lines_.size(); }

    /// Whether a block of this template can be told from other code: it
    /// needs a line with literal text. A template of placeholders and empty
    /// lines alone would match any code, so its blocks are never taken for
    /// standing ones (and never removed).
    bool Recognizable() const { return DistinctiveLineCount() > 0; }

    /// True when `line` could be line `index` of a block of this template:
    /// equal to it, letter case ignored, with each placeholder matching any
    /// text. Throws like AppendExpansion for a begin template that is too short.
    bool LineMatches(size_t index, vb::TextView line, size_t lineIndex) const;

    /// What every line that matches line `index` starts with, letter case ignored.
    vb::TextView LinePrefix(size_t index) const { return lines_[index].literals.front(); }

    /// The labels a block for `values` defines (its lines of label form),
    /// in line order: the template's own when no placeholder can change
    /// them, else those of the expansion, made in `storage`.
    const std::vector<Text>& Labels(const ProcedureHeader& values, std::vector<Text>& storage) const;

    /// Whether a line of a block for `values` is longer than `limit`; never
    /// for a template that is too short. Where each placeholder is replaced
    /// once (no bracket in the template or any value), a bound on every
    /// line's length mostly tells without a look at each line: the most
    /// literal units of a line, and as many of the longest value as it has
    /// placeholders.
    bool HasLineLongerThan(const ProcedureHeader& values, size_t limit) const {
        if (tooShort_) return false;
        if (onePass_ && !values.valuesMayHoldBrackets) {
            const size_t longest =
                std::max({values.name.size(), values.kind.size(), values.parameters.size(), longestModuleValue_});
            if (mostLiteral_ + mostSlots_ * longest <= limit) return false;
        }
        return HasLineLongerThanLineByLine(values, limit);
    }

    /// How many of the lines resemble one of the template's distinctive
    /// lines (lines with literal text besides placeholders and spaces), and
    /// how many distinctive lines the template has: evidence of a block
    /// that was edited by hand.
    size_t ResemblingLines(const std::vector<vb::TextView>& lines) const;
    size_t DistinctiveLineCount() const { return distinctiveLines_; }

private:
    // A template line split at its placeholders: the literal pieces between
    // them, one more than there are placeholders.
    struct LinePattern {
        std::vector<Text> literals;
        std::vector<int> slots;    // the placeholder between literals k and k + 1 (as Piece::slot)
        size_t literalLength = 0;  // of all literals
        bool labelDecided = true;  // the literal start alone tells the line's label
        Text label;                // that label; empty for none
        bool distinctive = false;
        bool Matches(vb::TextView line) const;
    };

    LinePattern PatternOf(vb::TextView templateLine) const;
    static void DecideLabel(LinePattern& pattern);
    Text ExpandStepByStep(const ProcedureHeader& values) const;
    bool HasLineLongerThanLineByLine(const ProcedureHeader& values, size_t limit) const;
    bool ValuesHoldBrackets(const ProcedureHeader& values) const;

    // The body split at its placeholders, for expanding it in one pass.
    struct Piece {
        Text literal;
        int slot = -1;  // the placeholder after the literal: 0..5 as in Placeholder(), -1 at the end
    };

    Text body_;
    bool tooShort_ = false;
    bool usesParameters_ = false;
    bool isBegin_ = false;
    size_t lineBreakSize_ = 2;
    const ModuleValues* module_;
    std::vector<LinePattern> lines_;
    size_t distinctiveLines_ = 0;
    bool labelsDecided_ = true;    // every line's label is decided by its literal start
    std::vector<Text> labels_;     // then: the block's labels
    std::vector<Piece> pieces_;
    // No bracket outside its placeholders nor in the module's values: then,
    // with the procedure's values free of brackets too, replacing the
    // placeholders one after the other gives what a single pass over the
    // pieces gives.
    bool onePass_ = false;
    // The most literal units and placeholders of any one line: with the
    // longest value, a bound on every line's length.
    size_t mostLiteral_ = 0;
    size_t mostSlots_ = 0;
    size_t longestModuleValue_ = 0;  // of the module placeholders' values
};

}  // namespace scan
