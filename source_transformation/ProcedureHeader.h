// A recognised procedure header: what the three procedure placeholders of a
// template become for it.
#pragma once

#include <cstddef>

#include "vb_runtime/Text.h"

namespace scan {

/// The values are views into text held by the scan that recognised the
/// header (ModuleScan::headerValues), valid as long as it is.
struct ProcedureHeader {
    size_t line = 0;               ///< 0-based index of the header's line
    vb::TextView kind;             ///< [ProcType]: the matched keyword as written, with its trailing space
    vb::TextView name;             ///< [ProcName]: between the keyword's space and the first "("
    vb::TextView parameters;       ///< [Paramenters]: the parameter names joined with ", "
};

}  // namespace scan
