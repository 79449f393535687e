// The scan of one module, as data: its decoded text, line break and
// templates in; out come the recognised headers, the procedures and every
// place where a block belongs, with whether a block already stands there,
// why none can go in, or what inserting one would insert. Adding,
// previewing, skipping handled procedures, removing and checking all work
// from this one result. The rules are written plainly in ReferenceScan.h;
// these scans give what it gives, fast. Which procedure gets a block, and
// why one is refused, is decided in ProcedureVerdict.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "source_transformation/DeclaredNames.h"
#include "source_transformation/HandlerTemplate.h"
#include "source_transformation/ProcedureHeader.h"
#include "source_transformation/ProcedureVerdict.h"
#include "source_transformation/TemplateChoice.h"
#include "vb_runtime/Text.h"

namespace scan {

enum class ScanMode {
    /// Every line is scanned, as the add command always did: a block that
    /// already stands is code like any other, and every procedure that can
    /// safely take a block gets one.
    Insert,
    /// Blocks that already stand are recognised and their lines are not
    /// scanned again: they are text an earlier run inserted. Procedures
    /// without a block are judged as for Insert (add --skip-handled, check).
    Recognize,
    /// Blocks are recognised, also where earlier versions put them; nothing
    /// is judged, since nothing goes in (remove).
    Remove,
    /// Blocks are recognised where they belong and under their headers;
    /// bodies are not searched for earlier versions' places, no block is
    /// told apart as edited, and nothing is judged, so the headers'
    /// parameters are not read (their value is empty): what numbering
    /// lines needs to know (number, unnumber).
    Locate,
};

struct ScanOptions {
    ScanMode mode = ScanMode::Insert;
    /// Values of the module placeholders; null leaves them plain text.
    const ModuleValues* module = nullptr;
    /// The classes and Enums of the run; null: those the module declares.
    const DeclaredNames* declared = nullptr;
    /// A header directly below a line "' trapwright: skip" is excluded.
    bool optOutComments = false;
    /// The text's line break when the caller has decided it already (from
    /// the file's bytes); empty: decided from the text.
    vb::TextView lineBreak;
    /// Classify the lines on a second thread (ClassifyAhead), for a large
    /// text while a core is spare. The result is the same either way.
    bool classifyAhead = false;
    /// Keep every line's extent in the result (ModuleScan::lines).
    bool keepLines = false;
};

struct BlockSite {
    enum class Kind : uint8_t { Begin, End };
    Kind kind = Kind::Begin;
    BlockState state = BlockState::Missing;
    Refusal refusal = Refusal::None;
    int32_t header = -1;  ///< index into ModuleScan::headers; -1 when there is no header to name
    /// 0-based: the header's first line; for an end block the End line (or
    /// the line an earlier version put it above); for a begin block at an
    /// earlier version's place that follows no header, the line it follows.
    size_t line = 0;
    vb::TextView detail;     ///< Refused: the label or the parameter's name the refusal names (in ModuleScan::details)
    size_t refusalLine = 0;  ///< Refused for reading or raising errors: the line of the sign (0-based)
    size_t insertAt = 0;  ///< Missing: the text offset where the block goes
    /// Missing: the template of the block that goes there (ModuleScan::AppendInsertion).
    const HandlerTemplate* blockTemplate = nullptr;
    size_t from = 0;       ///< Standing, OldPlace: the text the block occupies, [from, to),
    size_t to = 0;         ///< its line breaks included
    size_t firstLine = 0;  ///< Standing, OldPlace: the block's first line
};

/// A procedure: its header (several when they are #If alternatives) and
/// its End line.
struct Procedure {
    size_t firstHeader = 0;  ///< index into ModuleScan::headers
    size_t headerCount = 1;
    bool hasEndLine = false;
    size_t endLine = 0;      ///< 0-based, when it has one
};

/// A line of the text: [start, end), its line break aside.
struct LineSpan {
    size_t start = 0;
    size_t end = 0;
    bool continuedOnto = false;  ///< the line before continues onto it
};

struct ModuleScan {
    Text lineBreak;                        ///< CR LF or LF, decided from the whole text
    std::vector<ProcedureHeader> headers;  ///< in text order, left-alone ones included
    /// The headers' values, one after the other: one text for the module
    /// rather than three per header. It never moves, so neither does what
    /// the headers view.
    std::unique_ptr<const Text> headerValues;
    std::vector<BlockSite> sites;          ///< in text order
    std::deque<Text> details;              ///< what the sites' details view; an element never moves
    std::vector<Procedure> procedures;     ///< in text order
    std::vector<LineSpan> lines;           ///< with ScanOptions::keepLines: every line, in order
    size_t lineCount = 0;                  ///< the text's lines: one more than its line breaks; none when empty

    /// Appends the text that goes in at a Missing site, line breaks
    /// included: the empty line and the begin block after a header's text
    /// (and its Attribute lines), or the end block and a line break before
    /// an End line. Made when asked for, so that a module's blocks never all
    /// stand in memory at once.
    void AppendInsertion(const BlockSite& site, Text& out) const;

    /// The templates the sites refer to, prepared for this text.
    std::vector<std::shared_ptr<const HandlerTemplate>> templates;
};

/// Scans `text` procedure by procedure. Throws VbError 5, tied to the
/// header's line, at the first header that is to get a block and whose
/// begin template is shorter than the line break it must lose; a module
/// without such a header scans whatever the templates are.
/// The result refers to `options.module`, which must outlive it.
ModuleScan ScanModule(vb::TextView text, const TemplateChoice& templates, const ScanOptions& options);

/// The same scan over a file's own bytes, for a code page in which every
/// byte is one character and the bytes below 128 are ASCII
/// (vb::KeepsAsciiBytes): the result is that of ScanModule over the decoded
/// text, its offsets byte offsets; header values are decoded from `codePage`.
ModuleScan ScanModuleBytes(std::string_view bytes, int32_t codePage, const TemplateChoice& templates,
                           const ScanOptions& options);

}  // namespace scan
