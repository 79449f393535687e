// ProjectEntry: one element of the object list or the variable list.
#pragma once

#include <cstdint>

#include "vb_runtime/Text.h"

struct ProjectEntry {
    Text Name;  ///< object name, or the setting's key as written
    Text Path;  ///< project folder + file part, or the setting's value without double quotes
    Text Type;  ///< the kind key exactly as written (Form, Module, …); empty for settings
    int32_t Line = 0;  ///< the line of the project file that gives it, from 1; 0 when set by code
};
