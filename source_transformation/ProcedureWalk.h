// The walk over a module's lines: find each header, walk its procedure to
// its End line (with the #If alternatives of its header), find the blocks
// that stand in it and what its body holds, and have the verdict
// (ProcedureVerdict.h) decide its blocks. It reads the lines through a line
// source (LineSource.h); it is made for the plain source and for the fast
// one, in both forms of text, and nowhere else.
#pragma once

#include <cstddef>

#include "source_transformation/DeclaredNames.h"
#include "source_transformation/LineSource.h"
#include "source_transformation/ModuleScan.h"
#include "source_transformation/TemplateChoice.h"
#include "vb_runtime/Text.h"

namespace scan {

/// The scan of the lines of `lines`. `sizeHint`: the text's length, from
/// which room for the results is made.
template <LineSource Lines>
ModuleScan WalkProcedures(Lines& lines, vb::TextView lineBreak, const TemplateChoice& choice,
                          const ScanOptions& options, const DeclaredNames& declared, size_t sizeHint);

}  // namespace scan
