// The names a module declares at module level, which other modules may use:
// its Attribute VB_Name, its constants, variables, Declare statements and
// Enum members, and (when the whole module is read) its procedures. A run
// warns of names its templates use that no file declares.
#pragma once

#include <cstdint>
#include <string_view>

#include "source_transformation/DeclaredNames.h"
#include "vb_runtime/Text.h"

namespace scan {

/// Adds the module-level names of `text`. Without `throughProcedures` it
/// stops at the first procedure, where VB6's declarations end, and returns
/// true when it reached one; with it, it reads to the end and adds the name
/// of each Sub, Function and Property too.
bool AddModuleLevelNames(vb::TextView text, bool throughProcedures, DeclaredNames& names);

/// The same for the bytes of a file in `codePage`: the whole file, or its
/// first bytes (`wholeFile` false), of which only lines that end in an LF
/// are read.
bool AddModuleLevelNamesOfBytes(std::string_view bytes, int32_t codePage, bool wholeFile, bool throughProcedures,
                                DeclaredNames& names);

}  // namespace scan
