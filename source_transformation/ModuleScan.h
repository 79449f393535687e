// The scan of one module, as data: its decoded text, line break and
// templates in; out come the recognised headers and every place where a
// block belongs, with whether a block already stands there and what
// inserting one would insert. Adding, previewing, skipping handled
// procedures, removing and checking all work from this one result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "source_transformation/HandlerTemplate.h"
#include "source_transformation/ProcedureHeader.h"
#include "source_transformation/TemplateChoice.h"
#include "vb_runtime/Text.h"

namespace scan {

enum class ScanMode {
    /// Every line is scanned, as the add command always did: a block that
    /// already stands is code like any other, and every place gets a block.
    Insert,
    /// A block that already stands under a header, or above a flagged line,
    /// is recognised and its lines are not scanned again: they are text an
    /// earlier run inserted.
    RecognizeBlocks,
};

struct ScanOptions {
    ScanMode mode = ScanMode::Insert;
    /// Values of the module placeholders; null leaves them plain text.
    const ModuleValues* module = nullptr;
    /// A header directly below a line "' trapwright: skip" is left alone.
    bool optOutComments = false;
    /// The text's line break when the caller has decided it already (from
    /// the file's bytes); empty: decided from the text.
    vb::TextView lineBreak;
    /// Classify the lines on a second thread (ClassifyAhead), for a large
    /// text while a core is spare. The result is the same either way.
    bool classifyAhead = false;
};

enum class BlockState {
    Missing,    ///< no block there; `insertion` is what would go in
    Standing,   ///< a block of the template stands there (RecognizeBlocks only)
    Edited,     ///< a begin block that looks edited by hand stands there
    LeftAlone,  ///< the procedure is excluded; nothing is done or reported
};

struct BlockSite {
    enum class Kind { Begin, End };
    Kind kind = Kind::Begin;
    size_t line = 0;      ///< 0-based: the header's line, or the flagged line an end block stands above
    int32_t header = -1;  ///< index into ModuleScan::headers; -1 for an end block before any header
    BlockState state = BlockState::Missing;
    size_t insertAt = 0;  ///< Missing: the text offset where the block goes
    /// Missing: the template of the block that goes there (ModuleScan::AppendInsertion).
    const HandlerTemplate* blockTemplate = nullptr;
    size_t from = 0;  ///< Standing: the text the block occupies, [from, to),
    size_t to = 0;    ///< its line breaks included
};

struct ModuleScan {
    Text lineBreak;                        ///< CR LF or LF, decided from the whole text
    std::vector<ProcedureHeader> headers;  ///< in text order, left-alone ones included
    /// The headers' values, one after the other: one text for the module
    /// rather than three per header. It never moves, so neither does what
    /// the headers view.
    std::unique_ptr<const Text> headerValues;
    std::vector<BlockSite> sites;          ///< in text order

    /// Appends the text that goes in at a Missing site, line breaks
    /// included: the empty line and the begin block after a header's text,
    /// or the end block and a line break before a flagged line. Made when
    /// asked for, so that a module's blocks never all stand in memory at once.
    void AppendInsertion(const BlockSite& site, Text& out) const;

    /// The templates the sites refer to, prepared for this text.
    std::vector<std::shared_ptr<const HandlerTemplate>> templates;
};

/// Scans `text` line by line. Throws VbError 5, tied to the header's line,
/// at the first header whose begin template is shorter than the line break
/// it must lose; a module without headers scans whatever the templates are.
/// The result refers to `options.module`, which must outlive it.
ModuleScan ScanModule(vb::TextView text, const TemplateChoice& templates, const ScanOptions& options);

/// The same scan over a file's own bytes, for a code page in which every
/// byte is one character and the bytes below 128 are ASCII
/// (vb::KeepsAsciiBytes): the result is that of ScanModule over the decoded
/// text, its offsets byte offsets; header values are decoded from `codePage`.
ModuleScan ScanModuleBytes(std::string_view bytes, int32_t codePage, const TemplateChoice& templates,
                           const ScanOptions& options);

}  // namespace scan
