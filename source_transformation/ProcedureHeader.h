// A recognised procedure header: where it stands and what the three
// procedure placeholders of a template become for it.
#pragma once

#include <cstddef>

#include "vb_runtime/Text.h"

namespace scan {

/// The values are views into text held by the scan that recognised the
/// header (ModuleScan::headerValues), valid as long as it is.
struct ProcedureHeader {
    size_t line = 0;           ///< 0-based index of the header's first line
    size_t lastLine = 0;       ///< its last line: the first, or the last one it continues onto
    size_t attributeEnd = 0;   ///< the last of the Attribute lines under it; lastLine when there are none
    vb::TextView kind;         ///< [ProcType]: the procedure keyword as written, with its trailing space
    vb::TextView name;         ///< [ProcName]: between the keyword's space and the first "("
    vb::TextView parameters;   ///< [Paramenters]: the names of the parameters a Variant can hold, joined with ", "
    /// False when none of the three values holds "[" or "]", so that no
    /// value can hold a placeholder; true when they may.
    bool valuesMayHoldBrackets = true;
};

}  // namespace scan
