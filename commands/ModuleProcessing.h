// One module through one operation: its bytes decoded, scanned, edited and
// encoded again. Every command (add, add --skip-handled, remove, check,
// transform, the desktop application's Add) processes a file through here,
// so none of them can disagree about where a block goes or whether one
// stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "commands/ModuleContext.h"
#include "commands/RunCounts.h"
#include "source_transformation/Edits.h"
#include "source_transformation/LineNumbering.h"
#include "source_transformation/ModuleScan.h"
#include "source_transformation/TemplateChoice.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/Text.h"

namespace run {

enum class Operation {
    Add,     ///< insert the blocks
    Remove,  ///< take out the blocks that stand
    Check,   ///< report the procedures without a block; write nothing
    Number,    ///< put a line number in front of every statement line of every procedure
    Unnumber,  ///< take off the line numbers that Number gives, where a procedure has exactly those
};

/// How one module is processed.
struct ModuleRequest {
    Operation operation = Operation::Add;
    /// Add: recognise the blocks that already stand, insert only the missing
    /// ones, and append no line break at the end.
    bool skipHandled = false;
    const scan::TemplateChoice* templates = nullptr;
    /// What gives the module placeholders their values; null leaves them
    /// plain text (the desktop application).
    const ModuleContext* context = nullptr;
    /// The classes, forms, user controls and Enums of the run; null: those
    /// the module declares itself.
    const scan::DeclaredNames* declared = nullptr;
    /// A header directly below "' trapwright: skip" is excluded.
    bool optOutComments = false;
    /// Number, Unnumber: where the numbers start, their step, per procedure or module.
    scan::NumberingOptions numbering;
    /// Number: record every number given (for the map).
    bool keepNumbers = false;
    /// Record the edits in bytes (for diffs).
    bool keepEdits = false;
    /// The ANSI code page the module's bytes are in.
    int32_t codePage = vb::AnsiCodePage();
    /// A core would be idle while this module is processed: a large
    /// module's lines are classified on it.
    bool spareCore = false;
    /// The result is written even when nothing goes in (a copy made elsewhere).
    bool writeAlways = false;
};

/// A replacement in the file's bytes: [offset, offset + removed) of the
/// original bytes becomes `inserted`.
struct ByteEdit {
    size_t offset = 0;
    size_t removed = 0;
    std::string inserted;
};

/// Something to say about one header of the module.
struct LineNote {
    enum class Kind {
        NoHandler,    ///< check: no block stands under the header
        EditedBlock,  ///< the block under the header does not match the template; left as it is
        Refused,      ///< no block can go in safely (`refusal` says why); left as it is
        OldPlace,     ///< a block stands where an earlier version put it; remove, then add, repairs it
        HasLineNumbers,       ///< number: the procedure has line numbers already; left as it is
        NumberedLineTooLong,  ///< number: a numbered line would be longer than VB6 accepts; left as it is
        OtherLineNumbers,     ///< unnumber: numbers that number did not give; left as they are
        ModuleTooLong,        ///< the whole module: with its blocks it would have more lines than VB6 loads
    };
    Kind kind = Kind::NoHandler;
    int32_t line = 0;  ///< 1-based line of the header (of the End line for an end block alone); 0: the whole file
    Text name;         ///< the procedure's name, as "[ProcName]" gives it
    scan::Refusal refusal = scan::Refusal::None;  ///< Refused: why
    Text detail;                                  ///< Refused: the label or the parameter's name the refusal names
    int32_t signLine = 0;                         ///< Refused for reading or raising errors: the sign's line, 1-based
    int64_t moduleLines = 0;                      ///< ModuleTooLong: the line breaks the module would have
};

/// The most line breaks a module VB6 loads may have.
inline constexpr int64_t kMostLineBreaks = 65534;

/// What a note says after "PATH:LINE: ", as the run prints it.
std::string NoteMessage(const LineNote& note);

/// A line number given to a line of the module.
struct NumberedLine {
    int32_t procedure = 0;  ///< index into ModuleOutcome::numberedProcedures
    int32_t line = 0;       ///< 1-based, in the module as it was
    int64_t number = 0;
};

struct ModuleOutcome {
    std::string bytes;             ///< the module's bytes after the operation (none for a check)
    bool changed = false;          ///< whether the file is to be written: something goes in or comes out (or writeAlways)
    std::vector<ByteEdit> edits;   ///< how `bytes` differ from the input, in text order (with keepEdits)
    bool holdsNul = false;         ///< the text holds NUL bytes: no VB6 source, so it was left as it is
    RunCounts counts;              ///< the file's counts (filesProcessed and the other file counts aside)
    std::vector<NumberedLine> numbers;  ///< number: the numbers given, in line order (with keepNumbers)
    std::vector<Text> numberedProcedures;  ///< their procedures' names, as "[ProcName]" gives them
    std::vector<LineNote> notes;   ///< in line order
};

/// Where a module's new bytes go when they are not kept whole: handed over
/// in order, a piece at a time.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Append(std::string_view bytes) = 0;
};

/// One module scanned and counted, its new bytes not made yet: the outcome
/// holds everything but the bytes, which one of the two Make calls then
/// makes. It refers to the module's bytes, which must outlive it.
class PreparedModule {
public:
    /// Throws VbError 5, tied to a line, for a begin template that is too short.
    PreparedModule(std::string_view bytes, const ModuleRequest& request);
    PreparedModule(const PreparedModule&) = delete;
    PreparedModule& operator=(const PreparedModule&) = delete;

    ModuleOutcome& Outcome() { return outcome_; }

    /// Makes the new bytes into the outcome: the edited module when it
    /// changes, else the module as it is (nothing for a check).
    void MakeBytes();
    /// Hands the edited module to `sink` in pieces of about `piece` bytes
    /// (the outcome's bytes stay empty), so that it is never held whole. For
    /// a module that changes, without keepEdits.
    void MakeBytesInto(ByteSink& sink, size_t piece = size_t{1} << 20);

private:
    void Encode(std::string& out, ByteSink* sink, size_t piece);
    void PlanNumbers();
    void RefuseModule(int64_t lineBreaks);

    std::string_view bytes_;
    ModuleRequest request_;
    vb::TextView lineBreak_;
    Text text_;                  // the decoded text, where the scan needs it
    scan::ModuleValues module_;  // the module placeholders' values, which the scan refers to
    scan::ModuleScan scan_;
    scan::Edits edits_;          // what goes in and comes out, in text order
    ModuleOutcome outcome_;
};

/// Processes one module's bytes in the request's code page. A file changes
/// only where a block goes in or comes out (or a line number, for number and
/// unnumber); a plain Add that inserts a block appends the text's line
/// break too. A file with NUL bytes, or one that would have more lines than
/// VB6 loads, is left as it is.
/// Throws VbError 5, tied to a line, for a begin template that is too short.
ModuleOutcome ProcessModule(std::string_view bytes, const ModuleRequest& request);

}  // namespace run
