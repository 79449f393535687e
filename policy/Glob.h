// Glob patterns of a team policy, matched without regard to letter case as
// VB matches names: "*" stands for any run of characters and "?" for one,
// except that in a path neither crosses a "/" ("**" does).
#pragma once

#include "vb_runtime/Text.h"

namespace policy {

/// True when `name` (a procedure name) matches `pattern` as a whole.
bool GlobMatches(vb::TextView pattern, vb::TextView name);

/// True when `path` ("/" between folders) matches `pattern` as a whole.
bool PathGlobMatches(vb::TextView pattern, vb::TextView path);

}  // namespace policy
