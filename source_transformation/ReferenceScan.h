// The rules of the module scan, written as plainly as they read: which lines
// are procedure headers, where a procedure ends, where its blocks go, which
// blocks already stand, and when a procedure is left as it is because no
// block can go into it safely. It splits the text into lines and walks them
// one by one, with no shortcut. ScanModule and ScanModuleBytes must give
// exactly what it gives; tests and fuzzing hold them to it.
#pragma once

#include "source_transformation/ModuleScan.h"

namespace scan {

/// The scan of `text` by the plain rules; the same contract as ScanModule.
ModuleScan ReferenceScan(vb::TextView text, const TemplateChoice& templates, const ScanOptions& options);

}  // namespace scan
