// Processing of one module: scan, edits, encoding.
#include "commands/ModuleProcessing.h"

#include "source_transformation/ModuleEdits.h"
#include "source_transformation/ModuleScan.h"
#include <cstring>

#include "vb_runtime/CodePage.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/MemoryAdvice.h"
#include "vb_runtime/Strings.h"

namespace run {

namespace {

scan::ScanOptions ScanOptionsFor(const ModuleRequest& request, const scan::ModuleValues* module) {
    scan::ScanOptions options;
    const bool plainAdd = request.operation == Operation::Add && !request.skipHandled;
    options.mode = plainAdd ? scan::ScanMode::Insert : scan::ScanMode::RecognizeBlocks;
    options.module = module;
    options.optOutComments = request.optOutComments;
    return options;
}

// The counts and notes of the operation.
void CountSites(const scan::ModuleScan& result, const ModuleRequest& request, ModuleOutcome& outcome) {
    for (const scan::BlockSite& site : result.sites) {
        if (site.kind != scan::BlockSite::Kind::Begin) {
            if (request.operation == Operation::Remove && site.state == scan::BlockState::Standing) {
                ++outcome.endBlocksRemoved;
            }
            continue;
        }
        if (site.state == scan::BlockState::LeftAlone) continue;
        ++outcome.procedures;
        // A note is made only where one is given: most procedures get none.
        auto note = [&](LineNote::Kind kind) {
            const scan::ProcedureHeader& header = result.headers[static_cast<size_t>(site.header)];
            return LineNote{kind, static_cast<int32_t>(site.line + 1), vb::Trim(header.name)};
        };
        switch (site.state) {
        case scan::BlockState::Missing:
            if (request.operation == Operation::Add) ++outcome.blocksInserted;
            if (request.operation == Operation::Check) outcome.notes.push_back(note(LineNote::Kind::NoHandler));
            break;
        case scan::BlockState::Standing:
            if (request.operation == Operation::Add) ++outcome.alreadyHandled;
            if (request.operation == Operation::Remove) ++outcome.blocksRemoved;
            break;
        case scan::BlockState::Edited:
            outcome.notes.push_back(note(request.operation == Operation::Check ? LineNote::Kind::NoHandler
                                                                               : LineNote::Kind::EditedBlock));
            break;
        case scan::BlockState::LeftAlone: break;
        }
    }
}

bool HasEdits(const scan::ModuleScan& result, scan::EditKind kind) {
    const scan::BlockState wanted =
        kind == scan::EditKind::Insertions ? scan::BlockState::Missing : scan::BlockState::Standing;
    for (const scan::BlockSite& site : result.sites) {
        if (site.state == wanted) return true;
    }
    return false;
}

// Encodes the edited text piece by piece. The kept pieces encode back to
// exactly the original bytes (every code page is lossless), so in a
// single-byte code page they are copied from the original bytes, where a
// unit's offset is its byte's offset, and the text is not needed at all.
class EditedEncoder {
public:
    EditedEncoder(std::string_view bytes, vb::TextView text, const scan::ModuleScan& scan, ModuleOutcome& outcome,
                  bool keepEdits)
        : bytes_(bytes),
          text_(text),
          outcome_(outcome),
          keepEdits_(keepEdits),
          codePage_(vb::AnsiCodePage()),
          singleByte_(vb::IsSingleByteCodePage(codePage_)) {
        const size_t bytesPerUnit = singleByte_ ? 1 : 2;
        size_t size = bytes.size() + scan.lineBreak.size();
        for (const scan::BlockSite& site : scan.sites) {
            if (site.state == scan::BlockState::Missing) size += bytesPerUnit * site.blockTemplate->SizeEstimate();
        }
        outcome_.bytes.reserve(size);
        vb::PreferHugePages(outcome_.bytes.data(), outcome_.bytes.capacity());
    }

    void Edit(const scan::TextEdit& edit) {
        const size_t keptBytes = Keep(keptText_, edit.offset);
        const size_t removedBytes = EncodedSize(edit.offset, edit.offset + edit.removed);
        const size_t insertedAt = outcome_.bytes.size();
        vb::AppendEncoded(edit.inserted, codePage_, outcome_.bytes);
        if (keepEdits_) {
            outcome_.edits.push_back(ByteEdit{keptBytes, removedBytes, outcome_.bytes.substr(insertedAt)});
        }
        keptText_ = edit.offset + edit.removed;
        keptBytesEnd_ = keptBytes + removedBytes;
    }

    void Finish(size_t textSize) { Keep(keptText_, textSize); }

private:
    // Appends the kept text [from, to); returns the byte offset just after it.
    size_t Keep(size_t from, size_t to) {
        if (singleByte_) {
            outcome_.bytes.append(bytes_.substr(keptBytesEnd_, to - from));
            keptBytesEnd_ += to - from;
        } else {
            const size_t before = outcome_.bytes.size();
            vb::AppendEncoded(text_.substr(from, to - from), codePage_, outcome_.bytes);
            keptBytesEnd_ += outcome_.bytes.size() - before;
        }
        return keptBytesEnd_;
    }
    size_t EncodedSize(size_t from, size_t to) const {
        return singleByte_ ? to - from : vb::Encode(text_.substr(from, to - from), codePage_).size();
    }

    std::string_view bytes_;
    vb::TextView text_;
    ModuleOutcome& outcome_;
    bool keepEdits_;
    int32_t codePage_;
    bool singleByte_;
    size_t keptText_ = 0;
    size_t keptBytesEnd_ = 0;
};

// The scan of a module: over its own bytes when the code page keeps ASCII
// bytes and makes every byte one character, so that the text is never
// decoded; over its decoded text otherwise, which `text` then holds. The
// result refers to `module`, the module placeholders' values it fills in.
scan::ModuleScan ScanBytesOrText(std::string_view bytes, const ModuleRequest& request, vb::TextView lineBreak,
                                 Text& text, scan::ModuleValues& module) {
    const int32_t codePage = vb::AnsiCodePage();
    const bool scanBytes = vb::KeepsAsciiBytes(codePage);
    if (!scanBytes) text = vb::Decode(bytes, codePage);
    if (request.context != nullptr) {
        Text vbName = scanBytes ? VbNameAttribute<char>(bytes, lineBreak, scan::UnitDecoder<char>(codePage))
                                : VbNameAttribute<char16_t>(text, lineBreak, scan::UnitDecoder<char16_t>());
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

ModuleOutcome ProcessModule(std::string_view bytes, const ModuleRequest& request) {
    ModuleOutcome outcome;
    outcome.holdsNul = std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
    const vb::TextView lineBreak = vb::DetectLineBreak(bytes);
    Text text;
    scan::ModuleValues module;
    const scan::ModuleScan result = ScanBytesOrText(bytes, request, lineBreak, text, module);
    CountSites(result, request, outcome);
    if (request.operation == Operation::Check) return outcome;
    const scan::EditKind kind =
        request.operation == Operation::Add ? scan::EditKind::Insertions : scan::EditKind::Removals;
    // Saving after a plain add appends one line break, as it always has.
    const bool plainAdd = request.operation == Operation::Add && !request.skipHandled;
    outcome.changed = plainAdd || HasEdits(result, kind);
    if (!outcome.changed) {
        outcome.bytes.assign(bytes);
        return outcome;
    }
    // In a single-byte code page the output is made from the bytes alone:
    // the text can go before the output grows.
    const bool singleByte = vb::IsSingleByteCodePage(vb::AnsiCodePage());
    const size_t textSize = singleByte ? bytes.size() : text.size();
    if (singleByte) Text().swap(text);
    EditedEncoder encoder(bytes, text, result, outcome, request.keepEdits);
    scan::ForEachEdit(result, kind, [&](const scan::TextEdit& edit) { encoder.Edit(edit); });
    if (plainAdd) encoder.Edit(scan::TextEdit{textSize, 0, result.lineBreak});
    encoder.Finish(textSize);
    return outcome;
}

}  // namespace run
