// A recognised procedure header: what the three procedure placeholders of a
// template become for it.
#pragma once

#include <cstddef>

#include "vb_runtime/Text.h"

namespace scan {

/// The three values are held one after the other in one text, so that a
/// module of thousands of procedures makes one allocation per header.
struct ProcedureHeader {
    size_t line = 0;  ///< 0-based index of the header's line

    /// [ProcType]: the matched keyword as written, with its trailing space.
    vb::TextView kind() const { return vb::TextView(values).substr(0, nameAt); }
    /// [ProcName]: between the keyword's space and the first "(".
    vb::TextView name() const { return vb::TextView(values).substr(nameAt, parametersAt - nameAt); }
    /// [Paramenters]: the parameter names joined with ", ".
    vb::TextView parameters() const { return vb::TextView(values).substr(parametersAt); }

    /// kind, name and parameters, in this order; each starts where the
    /// one before it ends.
    Text values;
    size_t nameAt = 0;
    size_t parametersAt = 0;
};

}  // namespace scan
