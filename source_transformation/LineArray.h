// The two line array utilities: the earliest position of any of several
// search texts in a line, and cutting every element of an array at a marker.
// clsVBParser offers them under its own interface; the scan calls them here.
#pragma once

#include <cstdint>
#include <vector>

#include "vb_runtime/Text.h"

namespace scan {

/// The smallest 1-based position at or after Start at which any element of
/// lpArray occurs in strCompare, or 0. A Start below 1 is set to 1.
int32_t InStrArray(int32_t& Start, vb::TextView strCompare, const std::vector<Text>& lpArray, int32_t Compare);

/// Cuts every element before its first occurrence of strFind (letter case
/// ignored) and trims spaces at both ends; an element without strFind is
/// only trimmed.
void RemoveInArray(std::vector<Text>& lpArray, vb::TextView strFind);

}  // namespace scan
