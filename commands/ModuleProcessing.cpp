// Processing of one module: scan, edits, encoding.
#include "commands/ModuleProcessing.h"

#include "source_transformation/Edits.h"
#include "source_transformation/ModuleScan.h"
#include <array>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "vb_runtime/CodePage.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/MemoryAdvice.h"
#include "vb_runtime/Strings.h"

namespace run {

namespace {

bool PlainAdd(const ModuleRequest& request) { return request.operation == Operation::Add && !request.skipHandled; }

bool Numbering(const ModuleRequest& request) {
    return request.operation == Operation::Number || request.operation == Operation::Unnumber;
}

scan::EditKind EditKindOf(const ModuleRequest& request) {
    return request.operation == Operation::Remove ? scan::EditKind::Removals : scan::EditKind::Insertions;
}

scan::ScanOptions ScanOptionsFor(const ModuleRequest& request, const scan::ModuleValues* module) {
    scan::ScanOptions options;
    options.mode = PlainAdd(request)                         ? scan::ScanMode::Insert
                   : request.operation == Operation::Remove ? scan::ScanMode::Remove
                   : Numbering(request)                     ? scan::ScanMode::Locate
                                                            : scan::ScanMode::Recognize;
    options.module = module;
    options.declared = request.declared;
    options.optOutComments = request.optOutComments;
    options.keepLines = Numbering(request);
    return options;
}

LineNote NoteOf(const scan::ModuleScan& result, const scan::BlockSite& site, LineNote::Kind kind) {
    LineNote note;
    note.kind = kind;
    note.line = static_cast<int32_t>(site.line + 1);
    if (site.header >= 0) note.name = vb::Trim(result.headers[static_cast<size_t>(site.header)].name);
    note.refusal = site.refusal;
    note.detail = site.detail;
    note.signLine = static_cast<int32_t>(site.refusalLine + 1);
    return note;
}

// The counts and notes of the operation.
void CountSites(const scan::ModuleScan& result, const ModuleRequest& request, ModuleOutcome& outcome) {
    // A procedure left as it is is named once, at its first refused site. A
    // block at an earlier version's place is named for itself instead.
    std::vector<size_t> procedureOf(result.headers.size());
    for (size_t p = 0; p < result.procedures.size(); ++p) {
        for (size_t k = 0; k < result.procedures[p].headerCount; ++k) procedureOf[result.procedures[p].firstHeader + k] = p;
    }
    size_t noted = ~size_t{0};  // the procedure named last
    auto noteRefusal = [&](const scan::BlockSite& site) {
        const size_t procedure = procedureOf[static_cast<size_t>(site.header)];
        if (site.refusal == scan::Refusal::BlockAtOldPlace || procedure == noted) return;
        noted = procedure;
        ++(site.refusal == scan::Refusal::AlreadyHasBlocks ? outcome.counts.alreadyHaveBlocks : outcome.counts.proceduresRefused);
        outcome.notes.push_back(NoteOf(result, site, LineNote::Kind::Refused));
    };
    for (const scan::BlockSite& site : result.sites) {
        if (site.state == scan::BlockState::OldPlace) {
            if (request.operation == Operation::Remove) {
                ++(site.kind == scan::BlockSite::Kind::Begin ? outcome.counts.blocksRemoved : outcome.counts.endBlocksRemoved);
            } else if (site.header >= 0) {
                outcome.notes.push_back(NoteOf(result, site, LineNote::Kind::OldPlace));
            }
            const bool underItsHeader = site.kind == scan::BlockSite::Kind::Begin && site.header >= 0 &&
                                        site.line == result.headers[static_cast<size_t>(site.header)].line;
            if (underItsHeader) ++outcome.counts.proceduresSeen;
            continue;
        }
        if (site.kind != scan::BlockSite::Kind::Begin) {
            if (request.operation == Operation::Remove && site.state == scan::BlockState::Standing) {
                ++outcome.counts.endBlocksRemoved;
            }
            if (site.state == scan::BlockState::Refused) noteRefusal(site);
            continue;
        }
        if (site.state == scan::BlockState::Excluded) continue;
        ++outcome.counts.proceduresSeen;
        switch (site.state) {
        case scan::BlockState::Missing:
            if (request.operation == Operation::Add) ++outcome.counts.blocksInserted;
            if (request.operation == Operation::Check) outcome.notes.push_back(NoteOf(result, site, LineNote::Kind::NoHandler));
            break;
        case scan::BlockState::Standing:
            if (request.operation == Operation::Add) ++outcome.counts.alreadyHandled;
            if (request.operation == Operation::Remove) ++outcome.counts.blocksRemoved;
            break;
        case scan::BlockState::Edited:
            outcome.notes.push_back(NoteOf(result, site, request.operation == Operation::Check ? LineNote::Kind::NoHandler
                                                                                             : LineNote::Kind::EditedBlock));
            break;
        case scan::BlockState::Refused: noteRefusal(site); break;
        case scan::BlockState::Excluded:
        case scan::BlockState::OldPlace: break;
        }
    }
}

// How many line breaks the module has once every missing block is in, and
// the line break that saving a plain add appends.
int64_t LineBreaksWithBlocks(const scan::ModuleScan& result, bool appendsLineBreak) {
    int64_t lineBreaks = result.lineCount > 0 ? static_cast<int64_t>(result.lineCount) - 1 : 0;
    for (const scan::BlockSite& site : result.sites) {
        if (site.state != scan::BlockState::Missing) continue;
        const auto blockLines = static_cast<int64_t>(site.blockTemplate->LineCount());
        // A begin block comes after two line breaks; an end block before one.
        lineBreaks += site.kind == scan::BlockSite::Kind::Begin ? blockLines + 1 : blockLines;
    }
    return lineBreaks + (appendsLineBreak ? 1 : 0);
}

// A line number and the space after it, encoded: the digits and the space
// are encoded once, and put together for each of the many numbers.
class NumberEncoder {
public:
    explicit NumberEncoder(int32_t codePage) {
        for (size_t k = 0; k < kUnits.size(); ++k) {
            pieces_[k] = vb::Encode(Text(1, static_cast<char16_t>(kUnits[k])), codePage);
            ascii_ = ascii_ && pieces_[k] == std::string(1, kUnits[k]);
        }
    }
    /// The number and a space; valid until the next call.
    std::string_view Encoded(int64_t number) const {
        std::array<char, 24> digits{};
        char* end = std::to_chars(digits.data(), digits.data() + digits.size() - 1, number).ptr;
        *end++ = ' ';
        encoded_.clear();
        if (ascii_) {
            encoded_.append(digits.data(), end);
        } else {
            for (const char* c = digits.data(); c != end; ++c) encoded_ += pieces_[kUnits.find(*c)];
        }
        return encoded_;
    }

private:
    static constexpr std::string_view kUnits = "0123456789 ";
    std::array<std::string, kUnits.size()> pieces_;
    bool ascii_ = true;
    mutable std::string encoded_;
};

// The sink the edits are applied into: it encodes the edited text piece by
// piece, into `out`, or through it to a byte sink. The kept pieces encode
// back to exactly the original bytes (every code page is lossless), so in a
// single-byte code page they are copied from the original bytes, where a
// unit's offset is its byte's offset, and the text is not needed at all.
class EditedEncoder {
public:
    /// With a sink, `out` is a buffer handed over whenever it holds `piece`
    /// bytes; without one, `out` receives everything. A block's text comes
    /// from `scan`; `changes`, when given, records what changed in bytes.
    EditedEncoder(std::string_view bytes, vb::TextView text, int32_t codePage, const scan::ModuleScan& scan,
                  const scan::Edits& edits, std::string& out, ByteSink* sink, size_t piece,
                  std::vector<ByteEdit>* changes)
        : bytes_(bytes),
          text_(text),
          scan_(scan),
          edits_(edits),
          out_(out),
          sink_(sink),
          piece_(piece),
          changes_(changes),
          codePage_(codePage),
          singleByte_(vb::IsSingleByteCodePage(codePage_)),
          numbers_(codePage) {}

    /// The units [from, to), as they stand.
    void Keep(size_t from, size_t to) {
        if (singleByte_) {
            const std::string_view kept = bytes_.substr(from, to - from);
            if (sink_ != nullptr && kept.size() >= piece_) {
                // A long kept piece goes to the sink as it stands, uncopied.
                HandOver();
                sink_->Append(kept);
            } else {
                out_.append(kept);
                HandOverWhenFull();
            }
            keptBytesEnd_ += to - from;
        } else {
            const size_t before = out_.size();
            vb::AppendEncoded(text_.substr(from, to - from), codePage_, out_);
            keptBytesEnd_ += out_.size() - before;
            HandOverWhenFull();
        }
    }

    /// What an edit puts in place of its range.
    void Replace(const scan::Edit& edit) {
        const size_t removedBytes = EncodedSize(edit.offset, edit.offset + edit.removed);
        const size_t insertedAt = out_.size();
        switch (edit.insert) {
        case scan::Edit::Insert::Nothing: break;
        case scan::Edit::Insert::Block:
            block_.clear();
            scan_.AppendInsertion(scan_.sites[static_cast<size_t>(edit.value)], block_);
            vb::AppendEncoded(block_, codePage_, out_);
            break;
        case scan::Edit::Insert::LineNumber: out_.append(numbers_.Encoded(edit.value)); break;
        case scan::Edit::Insert::Literal: vb::AppendEncoded(edits_.Literal(edit), codePage_, out_); break;
        }
        if (changes_ != nullptr) changes_->push_back(ByteEdit{keptBytesEnd_, removedBytes, out_.substr(insertedAt)});
        HandOverWhenFull();
        keptBytesEnd_ += removedBytes;
    }

    void Finish() {
        if (sink_ != nullptr) HandOver();
    }

private:
    size_t EncodedSize(size_t from, size_t to) const {
        return singleByte_ ? to - from : vb::Encode(text_.substr(from, to - from), codePage_).size();
    }
    void HandOverWhenFull() {
        if (sink_ != nullptr && out_.size() >= piece_) HandOver();
    }
    void HandOver() {
        if (out_.empty()) return;
        sink_->Append(out_);
        out_.clear();
    }

    std::string_view bytes_;
    vb::TextView text_;
    const scan::ModuleScan& scan_;
    const scan::Edits& edits_;
    std::string& out_;
    ByteSink* sink_;
    size_t piece_;
    std::vector<ByteEdit>* changes_;
    int32_t codePage_;
    bool singleByte_;
    NumberEncoder numbers_;
    Text block_;               // a block's text, made when its turn comes
    size_t keptBytesEnd_ = 0;  // the original bytes handed on or replaced so far
};

// The scan of a module: over its own bytes when the code page keeps ASCII
// bytes and makes every byte one character, so that the text is never
// decoded; over its decoded text otherwise, which `text` then holds. The
// result refers to `module`, the module placeholders' values it fills in.
scan::ModuleScan ScanBytesOrText(std::string_view bytes, const ModuleRequest& request, vb::TextView lineBreak,
                                 Text& text, scan::ModuleValues& module) {
    const int32_t codePage = request.codePage;
    const bool scanBytes = vb::KeepsAsciiBytes(codePage);
    if (!scanBytes) text = vb::Decode(bytes, codePage);
    if (request.context != nullptr) {
        Text vbName = scanBytes ? VbNameAttribute<char>(bytes, lineBreak, scan::Units<char>(codePage))
                                : VbNameAttribute<char16_t>(text, lineBreak, scan::kTextUnits);
        module = ModuleValuesOf(std::move(vbName), *request.context);
    }
    scan::ScanOptions options = ScanOptionsFor(request, request.context != nullptr ? &module : nullptr);
    options.lineBreak = lineBreak;
    // Below about a megabyte, starting a thread costs more than it saves.
    constexpr size_t kClassifyAheadFrom = size_t{1} << 20;
    options.classifyAhead = request.spareCore && bytes.size() >= kClassifyAheadFrom;
    return scanBytes ? scan::ScanModuleBytes(bytes, codePage, *request.templates, options)
                     : scan::ScanModule(text, *request.templates, options);
}

}  // namespace

PreparedModule::PreparedModule(std::string_view bytes, const ModuleRequest& request)
    : bytes_(bytes), request_(request), lineBreak_(vb::DetectLineBreak(bytes)) {
    // No VB6 source holds a NUL byte: such a file is left as it is.
    outcome_.holdsNul = std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
    if (outcome_.holdsNul) {
        outcome_.changed = request.writeAlways && request.operation != Operation::Check;
        return;
    }
    scan_ = ScanBytesOrText(bytes, request, lineBreak_, text_, module_);
    if (Numbering(request)) {
        PlanNumbers();
        return;
    }
    CountSites(scan_, request, outcome_);
    // A check tells what an add --skip-handled would do: its insertions.
    edits_ = scan::EditsOf(scan_, EditKindOf(request));
    const bool inserts = request.operation != Operation::Remove && !edits_.Empty();
    if (inserts) {
        const int64_t lineBreaks = LineBreaksWithBlocks(scan_, PlainAdd(request));
        if (lineBreaks > kMostLineBreaks) {
            edits_ = scan::Edits();
            RefuseModule(lineBreaks);
        }
    }
    if (request.operation == Operation::Check) {
        edits_ = scan::Edits();
        return;
    }
    // Only a file into which a block goes, or from which one comes out, is
    // written; after a plain add it gets one more line break, as saving
    // always appended one.
    const size_t textSize = vb::IsSingleByteCodePage(request.codePage) ? bytes.size() : text_.size();
    if (PlainAdd(request) && !edits_.Empty()) edits_.AddLiteral(textSize, scan_.lineBreak);
    outcome_.changed = !edits_.Empty() || request.writeAlways;
}

// The module would have more lines than VB6 loads: nothing goes in, and no
// procedure of it is reported as missing its block, since none can get one.
void PreparedModule::RefuseModule(int64_t lineBreaks) {
    outcome_.counts.blocksInserted = 0;
    std::erase_if(outcome_.notes, [](const LineNote& note) { return note.kind == LineNote::Kind::NoHandler; });
    LineNote note;
    note.kind = LineNote::Kind::ModuleTooLong;
    note.moduleLines = lineBreaks;
    outcome_.notes.insert(outcome_.notes.begin(), note);
}

// The numbers of number, or the numbers unnumber takes off: the edits, the
// counts, and the procedures left as they are. A scan of the bytes is
// numbered over the bytes, a scan of the decoded text over the text.
void PreparedModule::PlanNumbers() {
    const int32_t codePage = request_.codePage;
    const bool number = request_.operation == Operation::Number;
    const bool overBytes = text_.empty();
    scan::NumberingPlan plan;
    if (number) {
        const bool record = request_.keepNumbers;
        plan = overBytes ? scan::PlanLineNumbers(bytes_, codePage, scan_, request_.numbering, record)
                         : scan::PlanLineNumbers(vb::TextView(text_), scan_, request_.numbering, record);
    } else {
        plan = overBytes ? scan::PlanLineNumberRemoval(bytes_, codePage, scan_, request_.numbering, false)
                         : scan::PlanLineNumberRemoval(vb::TextView(text_), scan_, request_.numbering, false);
    }
    edits_ = std::move(plan.edits);
    outcome_.counts.proceduresSeen = static_cast<int32_t>(scan_.procedures.size());
    outcome_.counts.linesNumbered = static_cast<int32_t>(edits_.Size());
    if (number && request_.keepNumbers) {
        outcome_.numbers.reserve(plan.numbered.size());
        size_t named = ~size_t{0};  // the header whose name went in last
        for (const scan::NumberedLine& line : plan.numbered) {
            if (line.header != named) {
                named = line.header;
                outcome_.numberedProcedures.emplace_back(scan_.headers[line.header].name);
            }
            outcome_.numbers.push_back(NumberedLine{static_cast<int32_t>(outcome_.numberedProcedures.size() - 1),
                                                    static_cast<int32_t>(line.line + 1), line.number});
        }
    }
    for (const scan::NumberingRefused& left : plan.refused) {
        LineNote note;
        switch (left.why) {
        case scan::NumberingRefusal::HasLineNumbers: note.kind = LineNote::Kind::HasLineNumbers; break;
        case scan::NumberingRefusal::LongLine: note.kind = LineNote::Kind::NumberedLineTooLong; break;
        case scan::NumberingRefusal::OtherLineNumbers: note.kind = LineNote::Kind::OtherLineNumbers; break;
        }
        note.line = static_cast<int32_t>(scan_.headers[left.header].line + 1);
        note.name = vb::Trim(scan_.headers[left.header].name);
        outcome_.notes.push_back(std::move(note));
        ++outcome_.counts.proceduresRefused;
    }
    outcome_.changed = !edits_.Empty() || request_.writeAlways;
}

void PreparedModule::MakeBytes() {
    if (request_.operation == Operation::Check) return;
    if (edits_.Empty()) {
        outcome_.bytes.assign(bytes_);
        return;
    }
    size_t size = bytes_.size() + scan_.lineBreak.size();
    const size_t bytesPerUnit = vb::IsSingleByteCodePage(request_.codePage) ? 1 : 2;
    for (const scan::Edit& edit : edits_.InOrder()) {
        if (edit.insert == scan::Edit::Insert::Block) {
            size += bytesPerUnit * scan_.sites[static_cast<size_t>(edit.value)].blockTemplate->SizeEstimate();
        } else if (edit.insert == scan::Edit::Insert::LineNumber) {
            size += 6;
        }
    }
    outcome_.bytes.reserve(size);
    vb::PreferHugePages(outcome_.bytes.data(), outcome_.bytes.capacity());
    Encode(outcome_.bytes, nullptr, 0);
}

void PreparedModule::MakeBytesInto(ByteSink& sink, size_t piece) {
    if (edits_.Empty()) {
        sink.Append(bytes_);
        return;
    }
    std::string buffer;
    buffer.reserve(piece + piece / 4);
    Encode(buffer, &sink, piece);
}

void PreparedModule::Encode(std::string& out, ByteSink* sink, size_t piece) {
    // In a single-byte code page the output is made from the bytes alone:
    // the text can go before the output grows.
    const bool singleByte = vb::IsSingleByteCodePage(request_.codePage);
    const size_t textSize = singleByte ? bytes_.size() : text_.size();
    if (singleByte) Text().swap(text_);
    EditedEncoder encoder(bytes_, text_, request_.codePage, scan_, edits_, out, sink, piece,
                          request_.keepEdits ? &outcome_.edits : nullptr);
    edits_.Apply(textSize, encoder);
    encoder.Finish();
}

namespace {

// A count as the messages write it: 65,534.
std::string WithThousands(int64_t count) {
    const std::string digits = std::to_string(count);
    std::string written;
    for (size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0) written += ',';
        written += digits[k];
    }
    return written;
}

}  // namespace

std::string NoteMessage(const LineNote& note) {
    const std::string name = vb::ToUtf8(note.name);
    const std::string detail = vb::ToUtf8(note.detail);
    const std::string signLine = std::to_string(note.signLine);
    switch (note.kind) {
    case LineNote::Kind::NoHandler: return name + " has no error handler";
    case LineNote::Kind::EditedBlock: return name + ": the block under this header does not match the template; left as it is";
    case LineNote::Kind::OldPlace: return name + ": the block stands where an earlier version put it; run remove, then add";
    case LineNote::Kind::HasLineNumbers: return name + " already has line numbers; left as it is";
    case LineNote::Kind::NumberedLineTooLong:
        return name + ": a numbered line would be longer than VB6 accepts (1023 characters); left as it is";
    case LineNote::Kind::OtherLineNumbers:
        return name + " has line numbers that number with this start, step and per does not give; left as they are";
    case LineNote::Kind::ModuleTooLong:
        return "the module would have " + WithThousands(note.moduleLines) + " lines, more than the " +
               WithThousands(kMostLineBreaks) + " that VB6 loads; left as it is";
    case LineNote::Kind::Refused: break;
    }
    switch (note.refusal) {
    case scan::Refusal::HasLabel: return name + " already has the label " + detail + "; left as it is";
    case scan::Refusal::AlreadyHasBlocks: return name + " already has its blocks; left as it is";
    case scan::Refusal::ErrParameter:
        return name + " has a parameter named " + detail + "; the block's " + detail + " would be it; left as it is";
    case scan::Refusal::ReadsError:
        return name + " reads the error it was called with (line " + signLine + "); a block would clear it; left as it is";
    case scan::Refusal::RaisesError:
        return name + " raises errors for its caller (line " + signLine + "); a block would catch them; left as it is";
    case scan::Refusal::NoEndLine: return name + " has no End Sub, End Function or End Property line; left as it is";
    case scan::Refusal::StatementAfterHeader: return name + " has a statement on its header's line; left as it is";
    case scan::Refusal::LongLine:
        return name + ": a line of its block would be longer than VB6 accepts (1023 characters); left as it is";
    case scan::Refusal::BranchParameters:
        return name + ": its #If branches differ in parameters, which the end block names; left as it is";
    case scan::Refusal::BlockAtOldPlace:
        return name + ": a block stands where an earlier version put it; run remove, then add";
    case scan::Refusal::None: break;
    }
    return name + ": left as it is";
}

ModuleOutcome ProcessModule(std::string_view bytes, const ModuleRequest& request) {
    PreparedModule module(bytes, request);
    module.MakeBytes();
    return std::move(module.Outcome());
}

}  // namespace run
