// Finding the policy that applies to a project or a source file: the
// nearest trapwright.toml in its folder or a folder above it, up to the
// root of the repository it is in.
#pragma once

#include <optional>

#include "vb_runtime/Text.h"

namespace policy {

/// The policy file in `folder` or the nearest folder above it; the search
/// stops after a folder that holds ".git" (the repository's root) and at the
/// file system's root. No value when there is none.
std::optional<Text> FindPolicy(const Text& folder);

}  // namespace policy
