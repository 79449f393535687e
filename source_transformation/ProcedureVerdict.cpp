// The verdict on one procedure: its rules, in the order of Refusal.
#include "source_transformation/ProcedureVerdict.h"

#include "vb_runtime/Letters.h"

namespace scan {

namespace {

using Labels = std::vector<vb::TextView>;

bool IsMissing(const HeaderFound& header) { return header.state == BlockState::Missing; }

// A label of `labels` that is among `others`, letter case ignored; empty for none.
vb::TextView CommonLabel(const Labels& labels, const Labels& others) {
    for (const vb::TextView label : labels) {
        for (const vb::TextView other : others) {
            if (vb::NamesEqual(label, other)) return label;
        }
    }
    return {};
}

// Adds the labels a block of `block` for `values` defines; what they view
// lives in the template or in `storage`, which must outlive them.
void AddLabels(const HandlerTemplate& block, const ProcedureHeader& values, std::vector<Text>& storage,
               Labels& labels) {
    for (const Text& label : block.Labels(values, storage)) labels.push_back(label);
}

// Whether line `line` stands in a block that stands already: under a
// header, or above the End line.
bool InStandingBlock(const ProcedureFound& procedure, size_t line) {
    if (procedure.endStands && line >= procedure.endLine - procedure.end->LineCount()) return true;
    for (const HeaderFound& header : procedure.headers) {
        if (header.state == BlockState::Standing && line >= header.blockFirst && line <= header.regionEnd) return true;
    }
    return false;
}

// The label that refuses the procedure, and why: one its body defines
// that a block would define too. (A pair of templates whose blocks define
// one label twice is refused before any file is read.)
struct LabelClash {
    Refusal refusal = Refusal::None;
    Text label;
};

LabelClash ClashingLabel(const ProcedureFound& procedure) {
    if (procedure.labels.empty()) return {};
    std::vector<Text> endStorage;
    std::vector<std::vector<Text>> beginStorage(procedure.headers.size());
    Labels blockLabels;
    for (size_t k = 0; k < procedure.headers.size(); ++k) {
        const HeaderFound& header = procedure.headers[k];
        if (IsMissing(header)) AddLabels(header.templates->begin(), *header.values, beginStorage[k], blockLabels);
    }
    const HeaderFound& last = procedure.headers[procedure.lastWithTemplates];
    if (procedure.end != nullptr) AddLabels(*procedure.end, *last.values, endStorage, blockLabels);
    if (blockLabels.empty()) return {};
    Labels bodyLabels;
    for (const auto& [line, label] : procedure.labels) {
        if (!InStandingBlock(procedure, line)) bodyLabels.push_back(label);
    }
    const vb::TextView common = CommonLabel(blockLabels, bodyLabels);
    if (common.empty()) return {};
    bool blocksStand = false;
    for (const HeaderFound& header : procedure.headers) blocksStand = blocksStand || (IsMissing(header) && header.blockStands);
    return {blocksStand ? Refusal::AlreadyHasBlocks : Refusal::HasLabel, Text(common)};
}

// Whether #If alternatives differ in the parameters the end block names.
bool BranchesDiffer(const ProcedureFound& procedure) {
    if (procedure.headers.size() < 2 || !procedure.end->UsesParameters()) return false;
    const vb::TextView parameters = procedure.headers.front().values->parameters;
    for (const HeaderFound& header : procedure.headers) {
        if (header.values->parameters != parameters) return true;
    }
    return false;
}

bool HasLongLine(const ProcedureFound& procedure, bool wantsEnd) {
    for (const HeaderFound& header : procedure.headers) {
        if (IsMissing(header) && header.templates->begin().HasLineLongerThan(*header.values, kLongestLine)) return true;
    }
    const HeaderFound& last = procedure.headers[procedure.lastWithTemplates];
    return wantsEnd && procedure.end->HasLineLongerThan(*last.values, kLongestLine);
}

}  // namespace

Verdict Decide(const ProcedureFound& procedure) {
    Verdict verdict;
    if (!procedure.judged) {
        // Nothing goes in; a begin template too short to make a block is
        // refused as it is by every other command.
        for (const HeaderFound& header : procedure.headers) {
            if (header.templates != nullptr) header.templates->begin().ThrowIfTooShort(header.values->line);
        }
        return verdict;
    }
    const HeaderFound* firstMissing = nullptr;
    bool anyStanding = false;
    for (const HeaderFound& header : procedure.headers) {
        if (firstMissing == nullptr && IsMissing(header)) firstMissing = &header;
        anyStanding = anyStanding || header.state == BlockState::Standing;
    }
    const bool endWanted = procedure.end != nullptr && !procedure.endStands && procedure.hasEndLine;
    const bool wantsEnd = endWanted && (firstMissing != nullptr || anyStanding);
    if (!wantsEnd && firstMissing == nullptr) return verdict;

    auto refuse = [&](Refusal refusal, Text detail = {}, size_t line = 0) {
        verdict.refusal = refusal;
        verdict.detail = std::move(detail);
        verdict.line = line;
        verdict.endBlockAlone = firstMissing == nullptr;
        return verdict;
    };
    if (procedure.blockAtOldPlace) return refuse(Refusal::BlockAtOldPlace);
    for (const HeaderFound& header : procedure.headers) {
        if (IsMissing(header) && header.statementAfter) return refuse(Refusal::StatementAfterHeader);
    }
    if (!procedure.hasEndLine) return refuse(Refusal::NoEndLine);
    for (const HeaderFound& header : procedure.headers) {
        if (header.errParameter[0] != 0) {
            return refuse(Refusal::ErrParameter, Text(header.errParameter.begin(), header.errParameter.end()));
        }
    }
    // The first sign that the procedure works with the error state it was
    // called with: a parameter that is the error, then its body's first use
    // of it before any On Error.
    for (const HeaderFound& header : procedure.headers) {
        if (header.errObjectLine != ~size_t{0}) return refuse(Refusal::ReadsError, {}, header.errObjectLine);
    }
    switch (procedure.firstErrorUse.kind) {
    case rules::ErrorUse::Kind::Reads: return refuse(Refusal::ReadsError, {}, procedure.firstErrorUseLine);
    case rules::ErrorUse::Kind::Raises: return refuse(Refusal::RaisesError, {}, procedure.firstErrorUseLine);
    case rules::ErrorUse::Kind::None:
    case rules::ErrorUse::Kind::OnError: break;
    }
    if (wantsEnd && BranchesDiffer(procedure)) return refuse(Refusal::BranchParameters);
    const LabelClash clash = ClashingLabel(procedure);
    if (clash.refusal != Refusal::None) return refuse(clash.refusal, clash.label);
    if (HasLongLine(procedure, wantsEnd)) return refuse(Refusal::LongLine);
    if (firstMissing != nullptr) firstMissing->templates->begin().ThrowIfTooShort(firstMissing->values->line);
    verdict.endBlock = wantsEnd;
    return verdict;
}

}  // namespace scan
