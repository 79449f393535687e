// Processing of one module: scan, edits, encoding.
#include "commands/ModuleProcessing.h"

#include "source_transformation/ModuleEdits.h"
#include "source_transformation/ModuleScan.h"
#include "vb_runtime/CodePage.h"
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

// The edits of the operation, and its counts and notes.
std::vector<scan::TextEdit> EditsFor(const scan::ModuleScan& result, const ModuleRequest& request,
                                     ModuleOutcome& outcome) {
    for (const scan::BlockSite& site : result.sites) {
        if (site.kind != scan::BlockSite::Kind::Begin) {
            if (request.operation == Operation::Remove && site.state == scan::BlockState::Standing) {
                ++outcome.endBlocksRemoved;
            }
            continue;
        }
        if (site.state == scan::BlockState::LeftAlone) continue;
        ++outcome.procedures;
        const scan::ProcedureHeader& header = result.headers[static_cast<size_t>(site.header)];
        const LineNote note{LineNote::Kind::NoHandler, static_cast<int32_t>(site.line + 1), vb::Trim(header.name)};
        switch (site.state) {
        case scan::BlockState::Missing:
            if (request.operation == Operation::Add) ++outcome.blocksInserted;
            if (request.operation == Operation::Check) outcome.notes.push_back(note);
            break;
        case scan::BlockState::Standing:
            if (request.operation == Operation::Add) ++outcome.alreadyHandled;
            if (request.operation == Operation::Remove) ++outcome.blocksRemoved;
            break;
        case scan::BlockState::Edited:
            outcome.notes.push_back(note);
            if (request.operation != Operation::Check) outcome.notes.back().kind = LineNote::Kind::EditedBlock;
            break;
        case scan::BlockState::LeftAlone: break;
        }
    }
    switch (request.operation) {
    case Operation::Add: return scan::InsertionEdits(result);
    case Operation::Remove: return scan::RemovalEdits(result);
    case Operation::Check: return {};
    }
    return {};
}

// Encodes the edited text piece by piece: the kept pieces encode back to
// exactly the original bytes, so the edits' byte offsets follow from their
// lengths.
void EncodeEdited(vb::TextView text, const std::vector<scan::TextEdit>& edits, ModuleOutcome& outcome) {
    const int32_t codePage = vb::AnsiCodePage();
    size_t keptText = 0;
    size_t keptBytes = 0;
    for (const scan::TextEdit& edit : edits) {
        const std::string kept = vb::Encode(text.substr(keptText, edit.offset - keptText), codePage);
        outcome.bytes += kept;
        keptBytes += kept.size();
        ByteEdit byteEdit;
        byteEdit.offset = keptBytes;
        byteEdit.removed = vb::Encode(text.substr(edit.offset, edit.removed), codePage).size();
        byteEdit.inserted = vb::Encode(edit.inserted, codePage);
        outcome.bytes += byteEdit.inserted;
        keptBytes += byteEdit.removed;
        keptText = edit.offset + edit.removed;
        outcome.edits.push_back(std::move(byteEdit));
    }
    outcome.bytes += vb::Encode(text.substr(keptText), codePage);
}

}  // namespace

ModuleOutcome ProcessModule(std::string_view bytes, const ModuleRequest& request) {
    ModuleOutcome outcome;
    const Text text = vb::DecodeAnsi(bytes);
    outcome.holdsNul = text.find(u'\0') != Text::npos;
    scan::ModuleValues module;
    if (request.context != nullptr) module = ModuleValuesOf(text, *request.context);
    const scan::ModuleScan result = scan::ScanModule(
        text, *request.templates, ScanOptionsFor(request, request.context != nullptr ? &module : nullptr));
    std::vector<scan::TextEdit> edits = EditsFor(result, request, outcome);
    const bool plainAdd = request.operation == Operation::Add && !request.skipHandled;
    // Saving after a plain add appends one line break, as it always has.
    if (plainAdd) edits.push_back(scan::TextEdit{text.size(), 0, result.lineBreak});
    outcome.changed = !edits.empty();
    if (outcome.changed) {
        EncodeEdited(text, edits, outcome);
    } else {
        outcome.bytes.assign(bytes);
    }
    return outcome;
}

}  // namespace run
