// Unified diffs from edits.
#include "commands/UnifiedDiff.h"

#include <algorithm>

#include "commands/GitQuotedPath.h"

namespace run {

namespace {

constexpr size_t kContext = 3;

// Where each line of a text starts; a text that ends without LF has a last
// line without one.
std::vector<size_t> LineStarts(std::string_view bytes) {
    std::vector<size_t> starts;
    if (bytes.empty()) return starts;
    starts.push_back(0);
    for (size_t at = bytes.find('\n'); at != std::string_view::npos; at = bytes.find('\n', at + 1)) {
        if (at + 1 < bytes.size()) starts.push_back(at + 1);
    }
    return starts;
}

bool AtLineStart(std::string_view bytes, size_t offset) { return offset == 0 || bytes[offset - 1] == '\n'; }

size_t LineStartBefore(std::string_view bytes, size_t offset) {
    const size_t newline = offset == 0 ? std::string_view::npos : bytes.rfind('\n', offset - 1);
    return newline == std::string_view::npos ? 0 : newline + 1;
}

size_t LineEndAfter(std::string_view bytes, size_t offset) {
    const size_t newline = bytes.find('\n', offset);
    return newline == std::string_view::npos ? bytes.size() : newline + 1;
}

// A stretch of whole old lines, [oldFrom, oldTo) in bytes, replaced by
// whole new lines, [newFrom, newTo) in the new bytes.
struct Region {
    size_t oldFrom, oldTo, newFrom, newTo;
};

// The regions of whole lines that the edits touch, in order, touching ones
// merged. A region runs from the start of the line an edit begins in to a
// line boundary at or after the edit's end, chosen so that the new text of
// the region also ends a line.
std::vector<Region> ChangedRegions(std::string_view oldBytes, const std::vector<ByteEdit>& edits) {
    std::vector<Region> regions;
    long long shift = 0;  // new offset minus old offset, after the edits so far
    for (const ByteEdit& edit : edits) {
        const size_t from = LineStartBefore(oldBytes, edit.offset);
        const size_t end = edit.offset + edit.removed;
        // The new text up to the edit's end ends a line when what was
        // inserted does, or when nothing was and the edit began a line.
        const bool newTextEndsLine = edit.inserted.empty() ? edit.offset == from : edit.inserted.back() == '\n';
        const size_t to = AtLineStart(oldBytes, end) && newTextEndsLine ? end : LineEndAfter(oldBytes, end);
        const long long shiftBefore = shift;
        shift += static_cast<long long>(edit.inserted.size()) - static_cast<long long>(edit.removed);
        if (!regions.empty() && from <= regions.back().oldTo) {
            Region& last = regions.back();
            last.oldTo = std::max(to, last.oldTo);
            last.newTo = static_cast<size_t>(static_cast<long long>(last.oldTo) + shift);
        } else {
            regions.push_back(Region{from, to, static_cast<size_t>(static_cast<long long>(from) + shiftBefore),
                                     static_cast<size_t>(static_cast<long long>(to) + shift)});
        }
    }
    return regions;
}

std::string Applied(std::string_view oldBytes, const std::vector<ByteEdit>& edits) {
    std::string bytes;
    size_t kept = 0;
    for (const ByteEdit& edit : edits) {
        bytes.append(oldBytes.substr(kept, edit.offset - kept));
        bytes += edit.inserted;
        kept = edit.offset + edit.removed;
    }
    bytes.append(oldBytes.substr(kept));
    return bytes;
}

// A change in line numbers (0-based): old lines [oldFirst, oldFirst +
// oldCount) become new lines [newFirst, newFirst + newCount).
struct Change {
    size_t oldFirst, oldCount, newFirst, newCount;
};

size_t LineIndexOf(const std::vector<size_t>& starts, size_t offset) {
    return static_cast<size_t>(std::lower_bound(starts.begin(), starts.end(), offset) - starts.begin());
}

class DiffWriter {
public:
    DiffWriter(std::string_view oldBytes, std::string_view newBytes)
        : old_(oldBytes), new_(newBytes), oldStarts_(LineStarts(oldBytes)), newStarts_(LineStarts(newBytes)) {}

    // The region as a change of whole lines, with the lines both sides share
    // at its beginning and end left out.
    Change ChangeOf(const Region& region) const {
        Change change{LineIndexOf(oldStarts_, region.oldFrom), 0, LineIndexOf(newStarts_, region.newFrom), 0};
        change.oldCount = LineIndexOf(oldStarts_, region.oldTo) - change.oldFirst;
        change.newCount = LineIndexOf(newStarts_, region.newTo) - change.newFirst;
        while (change.oldCount > 0 && change.newCount > 0 &&
               OldLine(change.oldFirst) == NewLine(change.newFirst)) {
            ++change.oldFirst, ++change.newFirst, --change.oldCount, --change.newCount;
        }
        while (change.oldCount > 0 && change.newCount > 0 &&
               OldLine(change.oldFirst + change.oldCount - 1) == NewLine(change.newFirst + change.newCount - 1)) {
            --change.oldCount, --change.newCount;
        }
        return change;
    }

    // One hunk for a run of changes that lie close together.
    void WriteHunk(const std::vector<Change>& changes, std::string& out) const {
        const Change& first = changes.front();
        const Change& last = changes.back();
        const size_t before = std::min(kContext, first.oldFirst);
        const size_t oldEnd = std::min(last.oldFirst + last.oldCount + kContext, oldStarts_.size());
        const size_t after = oldEnd - (last.oldFirst + last.oldCount);
        const size_t oldFrom = first.oldFirst - before;
        const size_t newFrom = first.newFirst - before;
        const size_t oldCount = oldEnd - oldFrom;
        const size_t newCount = last.newFirst + last.newCount + after - newFrom;
        out += "@@ -" + Range(oldFrom, oldCount) + " +" + Range(newFrom, newCount) + " @@\n";
        size_t oldLine = oldFrom;
        for (const Change& change : changes) {
            for (; oldLine < change.oldFirst; ++oldLine) WriteLine(' ', OldLine(oldLine), out);
            for (size_t k = 0; k < change.oldCount; ++k) WriteLine('-', OldLine(oldLine++), out);
            for (size_t k = 0; k < change.newCount; ++k) WriteLine('+', NewLine(change.newFirst + k), out);
        }
        for (; oldLine < oldEnd; ++oldLine) WriteLine(' ', OldLine(oldLine), out);
    }

private:
    static std::string_view Line(std::string_view bytes, const std::vector<size_t>& starts, size_t index) {
        const size_t end = index + 1 < starts.size() ? starts[index + 1] : bytes.size();
        return bytes.substr(starts[index], end - starts[index]);
    }
    std::string_view OldLine(size_t index) const { return Line(old_, oldStarts_, index); }
    std::string_view NewLine(size_t index) const { return Line(new_, newStarts_, index); }

    // "first,count", 1-based; a range of no lines names the line before it.
    static std::string Range(size_t first, size_t count) {
        return std::to_string(count == 0 ? first : first + 1) + "," + std::to_string(count);
    }

    static void WriteLine(char mark, std::string_view line, std::string& out) {
        out += mark;
        out.append(line);
        if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
    }

    std::string_view old_;
    std::string_view new_;
    std::vector<size_t> oldStarts_;
    std::vector<size_t> newStarts_;
};

}  // namespace

std::string UnifiedDiff(std::string_view oldBytes, const std::vector<ByteEdit>& edits, const std::string& label,
                        FileChange change) {
    const std::string newBytes = Applied(oldBytes, edits);
    if (newBytes == oldBytes) return {};
    const DiffWriter writer(oldBytes, newBytes);
    std::vector<Change> changes;
    for (const Region& region : ChangedRegions(oldBytes, edits)) {
        const Change change = writer.ChangeOf(region);
        if (change.oldCount > 0 || change.newCount > 0) changes.push_back(change);
    }
    const std::string oldName = change == FileChange::Created ? "/dev/null" : DiffHeaderName("a/", label);
    const std::string newName = change == FileChange::Deleted ? "/dev/null" : DiffHeaderName("b/", label);
    std::string out = "--- " + oldName + "\n+++ " + newName + "\n";
    std::vector<Change> hunk;
    for (const Change& change : changes) {
        // Changes whose contexts would meet share one hunk.
        if (!hunk.empty() && change.oldFirst > hunk.back().oldFirst + hunk.back().oldCount + 2 * kContext) {
            writer.WriteHunk(hunk, out);
            hunk.clear();
        }
        hunk.push_back(change);
    }
    if (!hunk.empty()) writer.WriteHunk(hunk, out);
    return out;
}

std::vector<ByteEdit> EditBetween(std::string_view oldBytes, std::string_view newBytes) {
    size_t prefix = 0;
    while (prefix < oldBytes.size() && prefix < newBytes.size() && oldBytes[prefix] == newBytes[prefix]) ++prefix;
    size_t suffix = 0;
    while (suffix < oldBytes.size() - prefix && suffix < newBytes.size() - prefix &&
           oldBytes[oldBytes.size() - 1 - suffix] == newBytes[newBytes.size() - 1 - suffix]) {
        ++suffix;
    }
    if (prefix == oldBytes.size() && prefix == newBytes.size()) return {};
    return {ByteEdit{prefix, oldBytes.size() - prefix - suffix,
                     std::string(newBytes.substr(prefix, newBytes.size() - prefix - suffix))}};
}

}  // namespace run
