// Edits of a module's text, as data: what add, remove, number and unnumber
// change, each a range of the text and what takes its place. A list of
// edits refuses one that overlaps another when it is added, and one apply
// hands the edited text to a sink, piece by piece, so that what goes in is
// made only when its turn comes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "source_transformation/ModuleScan.h"
#include "vb_runtime/Text.h"

namespace scan {

/// One edit: [offset, offset + removed) of the text's units becomes what
/// `insert` says.
struct Edit {
    enum class Insert : uint8_t {
        Nothing,     ///< the range comes out (remove, unnumber)
        Block,       ///< the block of the scan's site `value` (ModuleScan::AppendInsertion)
        LineNumber,  ///< the number `value` and one space (number)
        Literal,     ///< the list's literal text `value` (the line break a plain add appends)
    };
    size_t offset = 0;
    size_t removed = 0;
    Insert insert = Insert::Nothing;
    int64_t value = 0;
};

/// A module's edits, in text order.
class Edits {
public:
    /// Appends an edit. Throws std::logic_error, a fault of this program and
    /// never of its input, when it starts before the end of the one before,
    /// or inserts where the one before inserted too: their order would be
    /// undecided, so no output could be trusted.
    void Add(const Edit& edit);
    /// An edit that puts `text` in at `offset`.
    void AddLiteral(size_t offset, Text text);

    bool Empty() const { return edits_.empty(); }
    size_t Size() const { return edits_.size(); }
    const std::vector<Edit>& InOrder() const { return edits_; }
    const Text& Literal(const Edit& edit) const { return literals_[static_cast<size_t>(edit.value)]; }

    /// Takes back the edits from the `count`th on (a procedure given up).
    void TruncateTo(size_t count) { edits_.resize(count); }
    void Reserve(size_t count) { edits_.reserve(count); }

    /// The text with the edits made, handed to `sink` in order: for each
    /// edit, sink.Keep(from, to) with the units kept before it, then
    /// sink.Replace(edit); at the end, sink.Keep of the rest up to `size`.
    template <class Sink>
    void Apply(size_t size, Sink& sink) const {
        size_t kept = 0;
        for (const Edit& edit : edits_) {
            sink.Keep(kept, edit.offset);
            sink.Replace(edit);
            kept = edit.offset + edit.removed;
        }
        sink.Keep(kept, size);
    }

private:
    std::vector<Edit> edits_;
    std::vector<Text> literals_;
};

enum class EditKind {
    Insertions,  ///< a block at every site without one (Missing)
    Removals,    ///< out with every block that stands, where it belongs or where earlier versions put it
};

/// The edits of a scan: the insertions of its Missing sites, or the
/// removals of the blocks that stand.
Edits EditsOf(const ModuleScan& scan, EditKind kind);

/// The text with `edits` made, a block's text made from `scan`.
Text ApplyEdits(vb::TextView text, const Edits& edits, const ModuleScan& scan);

}  // namespace scan
