// Which procedure gets its blocks, and why one is refused: the verdict on
// one procedure, made from what the walk over its lines found. The rules
// are tried in the order of Refusal; the first that applies refuses the
// whole procedure (every header missing its block, and its end block),
// which is then named. Nothing passes from one procedure's verdict to the
// next.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "source_transformation/ErrorStateRules.h"
#include "source_transformation/PreparedTemplates.h"
#include "source_transformation/ProcedureHeader.h"
#include "vb_runtime/Text.h"

namespace scan {

/// Why a procedure gets no block although it has none, in the order the
/// rules are tried.
enum class Refusal : uint8_t {
    None,
    BlockAtOldPlace,       ///< a block stands in it where earlier versions put it
    StatementAfterHeader,  ///< a statement follows a header on its line
    NoEndLine,             ///< no End Sub, End Function or End Property before the next header
    ErrParameter,          ///< a parameter named Err or Erl (`detail`): the block's Err would be it
    ReadsError,            ///< it reads the error it was called with (at `line`): a block would clear it
    RaisesError,           ///< it raises errors for its caller (at `line`): a block would catch them
    BranchParameters,      ///< its #If alternatives differ in parameters, which the end block names
    AlreadyHasBlocks,      ///< plain add: its blocks stand already and define a label of the blocks (`detail`)
    HasLabel,              ///< its lines already define a label of the blocks (`detail`)
    LongLine,              ///< a line of a block would exceed what VB6 accepts
};

/// The longest line VB6 accepts, in characters.
inline constexpr size_t kLongestLine = 1023;

/// What stands under a header, or at an End line.
enum class BlockState : uint8_t {
    Missing,    ///< no block there; one goes in unless the procedure is refused
    Standing,   ///< a block of the template stands there (Recognize, Remove)
    Edited,     ///< a begin block that looks edited by hand stands there
    Excluded,   ///< the policy or an opt-out comment excludes the procedure: nothing is done or reported
    Refused,    ///< no block can go in safely (`refusal` says why); the procedure is named
    OldPlace,   ///< a block stands where earlier versions put it: remove takes it out
};

/// A header of a procedure as the walk found it.
struct HeaderFound {
    size_t index = 0;                              ///< into the scan's headers
    const ProcedureHeader* values = nullptr;       ///< its values
    const PreparedTemplates* templates = nullptr;  ///< null: excluded
    BlockState state = BlockState::Missing;
    bool statementAfter = false;  ///< a statement follows it on its line
    std::array<char16_t, 3> errParameter{};  ///< a parameter named Err or Erl, as written; all zero for none
    size_t errObjectLine = ~size_t{0};  ///< the line of a parameter of type ErrObject; ~0 for none
    bool blockStands = false;     ///< a block of its begin template stands under it (plain add)
    size_t attributeEnd = 0;      ///< the last of its Attribute lines (or its own last line)
    size_t blockFrom = 0;         ///< Standing, OldPlace: the line after which the block starts (with its empty line)
    size_t blockFirst = 0;        ///< Standing, OldPlace: the block's first line
    size_t regionEnd = 0;         ///< its last line, a block that stands under it included
};

/// A procedure as the walk found it.
struct ProcedureFound {
    bool judged = true;  ///< blocks may go in (add, check); false: nothing is decided (remove, number)
    std::vector<HeaderFound> headers;
    bool hasEndLine = false;
    size_t endLine = 0;
    std::vector<std::pair<size_t, Text>> labels;  ///< the labels its body defines, with their lines
    bool blockAtOldPlace = false;                 ///< a block stands in its body where an earlier version put it
    const HandlerTemplate* end = nullptr;         ///< the end template in force; null: no end block
    size_t lastWithTemplates = 0;                 ///< the header whose values the end block takes
    bool endStands = false;                       ///< a block of `end` stands above its End line
    rules::ErrorUse firstErrorUse;                ///< the first use of the error state in its body
    size_t firstErrorUseLine = 0;
};

/// The verdict on one procedure.
struct Verdict {
    Refusal refusal = Refusal::None;
    size_t line = 0;  ///< ReadsError, RaisesError: the line of the sign (0-based)
    Text detail;      ///< the label, or the parameter's name, the refusal names
    /// Without a refusal: whether the end block goes in. Every header
    /// missing its begin block gets it.
    bool endBlock = false;
    /// With a refusal: whether it falls on the end block alone, since no
    /// header misses its begin block.
    bool endBlockAlone = false;
};

/// The verdict on a procedure; throws VbError 5, tied to the header's line,
/// when a begin block is to go in and its template is too short.
Verdict Decide(const ProcedureFound& procedure);

}  // namespace scan
