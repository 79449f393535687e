// ProjectEntry: one element of the object list or the variable list.
#pragma once

#include "vb_runtime/Text.h"

struct ProjectEntry {
    Text Name;  ///< object name, or the setting's key as written
    Text Path;  ///< project folder + file part, or the setting's value without double quotes
    Text Type;  ///< the kind key exactly as written (Form, Module, …); empty for settings
};
