// The names a handler template's code uses that something must declare:
// every name but the keywords and VBA's built-ins, the placeholders, the
// templates' own labels, members after "." or "!", named arguments, and
// what stands in comments and string literals.
#pragma once

#include <vector>

#include "vb_runtime/Text.h"

namespace run {

/// The names the templates use, each once (letter case as first written):
/// those that begin a statement (the routines the blocks call) in the order
/// they first appear, then the others likewise. A label that any of the templates
/// defines is no such name in any of them.
std::vector<Text> NamesTemplatesUse(const std::vector<Text>& templates);

/// Whether VB or VBA itself declares the name: a keyword, a type, or a
/// built-in function, object or constant (letter case ignored).
bool IsBuiltInName(vb::TextView name);

}  // namespace run
