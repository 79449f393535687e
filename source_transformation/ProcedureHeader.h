// A recognised procedure header: what the three procedure placeholders of a
// template become for it.
#pragma once

#include <cstddef>

#include "vb_runtime/Text.h"

namespace scan {

struct ProcedureHeader {
    size_t line = 0;  ///< 0-based index of the header's line
    Text kind;        ///< [ProcType]: the matched keyword as written, with its trailing space
    Text name;        ///< [ProcName]: between the keyword's space and the first "("
    Text parameters;  ///< [Paramenters]: the parameter names joined with ", "
};

}  // namespace scan
