// The values of the module placeholders of the command line: "[ModuleName]",
// "[FileName]" and "[ProjectName]".
#pragma once

#include "source_transformation/HandlerTemplate.h"
#include "vb_runtime/Text.h"

namespace run {

/// What a run knows of a file before reading it.
struct ModuleContext {
    Text objectName;   ///< the object's name in its project; may be empty
    Text fileName;     ///< the file's name, extension included
    Text projectName;  ///< the project's Name setting; may be empty
};

/// "[ModuleName]" is the module's Attribute VB_Name value; without one, the
/// object's name in its project; without that, the file name without its
/// extension.
scan::ModuleValues ModuleValuesOf(vb::TextView text, vb::TextView lineBreak, const ModuleContext& context);

/// The value of the first line "Attribute VB_Name = "NAME"" (letter case and
/// blanks ignored), without its quotes; empty when there is none.
Text VbNameAttribute(vb::TextView text, vb::TextView lineBreak);

}  // namespace run
