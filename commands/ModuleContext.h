// The values of the module placeholders of the command line: "[ModuleName]",
// "[FileName]" and "[ProjectName]".
#pragma once

#include "source_transformation/HandlerTemplate.h"
#include "source_transformation/SourceUnits.h"
#include "vb_runtime/Text.h"

namespace run {

/// What a run knows of a file before reading it.
struct ModuleContext {
    Text objectName;   ///< the object's name in its project; may be empty
    Text fileName;     ///< the file's name, extension included
    Text projectName;  ///< the project's Name setting; may be empty
};

/// "[ModuleName]" is the module's Attribute VB_Name value (`vbName`);
/// without one, the object's name in its project; without that, the file
/// name without its extension.
scan::ModuleValues ModuleValuesOf(Text vbName, const ModuleContext& context);

/// The value of the first line "Attribute VB_Name = "NAME"" (letter case and
/// blanks ignored), without its quotes; empty when there is none. The text
/// is UTF-16 or the bytes of an ASCII-keeping code page (scan::SourceUnits).
template <typename Unit>
Text VbNameAttribute(scan::UnitView<Unit> text, vb::TextView lineBreak, const scan::Units<Unit>& decode);

}  // namespace run
