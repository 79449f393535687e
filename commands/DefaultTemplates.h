// The default handler templates: what the settings window holds at start
// and what the command line uses when no template file is given.
#pragma once

#include "vb_runtime/Text.h"

namespace templates {

/// The default begin template: six lines, each ending in CR LF (227 characters).
const Text& DefaultBeginTemplate();

/// The default end template: empty, so no end blocks are inserted.
const Text& DefaultEndTemplate();

}  // namespace templates
