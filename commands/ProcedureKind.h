// What a team policy knows a procedure by: its kind ("Function", "Property
// Get", …) and its name as VB knows it ("Value" for "Property Get Value").
// The header's own kind and name ([ProcType], [ProcName]) are not changed.
#pragma once

#include "source_transformation/ProcedureHeader.h"
#include "vb_runtime/Text.h"

namespace run {

struct ProcedureIdentity {
    Text kind;  ///< Sub, Function, Property Get, Property Let or Property Set; empty when unknown
    Text name;  ///< the name without the words of its kind
};

/// The kind is the header's keyword with any Public, Private, Friend or
/// Static in front left out: "Friend Function Count" is a Function named
/// Count, "Public Property Let Value" a Property Let named Value.
ProcedureIdentity IdentifyProcedure(const scan::ProcedureHeader& header);

}  // namespace run
