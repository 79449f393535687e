// The verdict on one procedure: its rules, in the order of Refusal.
#include "source_transformation/ProcedureVerdict.h"

#include <array>

#include "vb_runtime/Letters.h"

namespace scan {

namespace {

using Labels = std::vector<vb::TextView>;

// A few header pointers in place, more on the heap: a procedure's headers
// missing their block, without an allocation per procedure.
class MissingHeaders {
public:
    void push_back(const HeaderFound* header) {
        if (count_ < inPlace_.size()) {
            inPlace_[count_] = header;
        } else {
            more_.push_back(header);
        }
        ++count_;
    }
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const HeaderFound* operator[](size_t k) const { return k < inPlace_.size() ? inPlace_[k] : more_[k - inPlace_.size()]; }
    const HeaderFound* front() const { return (*this)[0]; }

    class Iterator {
    public:
        Iterator(const MissingHeaders& headers, size_t at) : headers_(headers), at_(at) {}
        const HeaderFound* operator*() const { return headers_[at_]; }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return at_ != other.at_; }

    private:
        const MissingHeaders& headers_;
        size_t at_;
    };
    Iterator begin() const { return Iterator(*this, 0); }
    Iterator end() const { return Iterator(*this, count_); }

private:
    std::array<const HeaderFound*, 4> inPlace_{};
    std::vector<const HeaderFound*> more_;
    size_t count_ = 0;
};

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

LabelClash ClashingLabel(const ProcedureFound& procedure, const MissingHeaders& missing) {
    if (procedure.labels.empty()) return {};
    std::vector<Text> endStorage;
    std::vector<std::vector<Text>> missingStorage(missing.size());
    Labels blockLabels;
    for (size_t k = 0; k < missing.size(); ++k) {
        AddLabels(missing[k]->templates->begin(), *missing[k]->values, missingStorage[k], blockLabels);
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
    for (const HeaderFound* header : missing) blocksStand = blocksStand || header->blockStands;
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

bool HasLongLine(const ProcedureFound& procedure, const MissingHeaders& missing, bool wantsEnd) {
    for (const HeaderFound* header : missing) {
        if (header->templates->begin().LongestLine(*header->values) > kLongestLine) return true;
    }
    const HeaderFound& last = procedure.headers[procedure.lastWithTemplates];
    return wantsEnd && procedure.end->LongestLine(*last.values) > kLongestLine;
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
    // The headers missing their block: nearly always one, so kept in place.
    MissingHeaders missing;
    bool anyStanding = false;
    for (const HeaderFound& header : procedure.headers) {
        if (header.state == BlockState::Missing) missing.push_back(&header);
        anyStanding = anyStanding || header.state == BlockState::Standing;
    }
    const bool endWanted = procedure.end != nullptr && !procedure.endStands && procedure.hasEndLine;
    const bool wantsEnd = endWanted && (!missing.empty() || anyStanding);
    if (!wantsEnd && missing.empty()) return verdict;

    auto refuse = [&](Refusal refusal, Text detail = {}, size_t line = 0) {
        verdict.refusal = refusal;
        verdict.detail = std::move(detail);
        verdict.line = line;
        verdict.endBlockAlone = missing.empty();
        return verdict;
    };
    if (procedure.blockAtOldPlace) return refuse(Refusal::BlockAtOldPlace);
    for (const HeaderFound* header : missing) {
        if (header->statementAfter) return refuse(Refusal::StatementAfterHeader);
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
    const LabelClash clash = ClashingLabel(procedure, missing);
    if (clash.refusal != Refusal::None) return refuse(clash.refusal, clash.label);
    if (HasLongLine(procedure, missing, wantsEnd)) return refuse(Refusal::LongLine);
    if (!missing.empty()) missing.front()->templates->begin().ThrowIfTooShort(missing.front()->values->line);
    verdict.endBlock = wantsEnd;
    return verdict;
}

}  // namespace scan
