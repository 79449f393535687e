// Edits of a module's text: the list and its text apply.
#include "source_transformation/Edits.h"

#include <stdexcept>
#include <string>

#include "vb_runtime/Strings.h"

namespace scan {

void Edits::Add(const Edit& edit) {
    if (!edits_.empty()) {
        const Edit& last = edits_.back();
        const size_t lastEnd = last.offset + last.removed;
        const bool bothInsertHere = edit.offset == lastEnd && last.removed == 0 && edit.removed == 0;
        if (edit.offset < lastEnd || bothInsertHere) {
            throw std::logic_error("an edit at " + std::to_string(edit.offset) + " overlaps the one at " +
                                   std::to_string(last.offset));
        }
    }
    edits_.push_back(edit);
}

void Edits::AddLiteral(size_t offset, Text text) {
    Add(Edit{offset, 0, Edit::Insert::Literal, static_cast<int64_t>(literals_.size())});
    literals_.push_back(std::move(text));
}

Edits EditsOf(const ModuleScan& scan, EditKind kind) {
    Edits edits;
    for (size_t k = 0; k < scan.sites.size(); ++k) {
        const BlockSite& site = scan.sites[k];
        if (kind == EditKind::Insertions && site.state == BlockState::Missing) {
            edits.Add(Edit{site.insertAt, 0, Edit::Insert::Block, static_cast<int64_t>(k)});
        } else if (kind == EditKind::Removals &&
                   (site.state == BlockState::Standing || site.state == BlockState::OldPlace)) {
            edits.Add(Edit{site.from, site.to - site.from, Edit::Insert::Nothing, 0});
        }
    }
    return edits;
}

namespace {

// The edited text, made whole.
class TextSink {
public:
    TextSink(vb::TextView text, const Edits& edits, const ModuleScan& scan) : text_(text), edits_(edits), scan_(scan) {}
    void Keep(size_t from, size_t to) { out_.append(text_.substr(from, to - from)); }
    void Replace(const Edit& edit) {
        switch (edit.insert) {
        case Edit::Insert::Nothing: break;
        case Edit::Insert::Block: scan_.AppendInsertion(scan_.sites[static_cast<size_t>(edit.value)], out_); break;
        case Edit::Insert::LineNumber: out_ += vb::FromAscii(std::to_string(edit.value) + " "); break;
        case Edit::Insert::Literal: out_ += edits_.Literal(edit); break;
        }
    }
    Text& Out() { return out_; }

private:
    vb::TextView text_;
    const Edits& edits_;
    const ModuleScan& scan_;
    Text out_;
};

}  // namespace

Text ApplyEdits(vb::TextView text, const Edits& edits, const ModuleScan& scan) {
    TextSink sink(text, edits, scan);
    sink.Out().reserve(text.size() + edits.Size() * 256);
    edits.Apply(text.size(), sink);
    return std::move(sink.Out());
}

}  // namespace scan
