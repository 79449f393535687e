// modGlobal: helpers shared by the classes.
#pragma once

#include <cstdint>
#include <vector>

#include "project_model/ProjectEntry.h"

/// The upper bound of a list in dimension `Dimension`: its last index, -1
/// for an empty list or a dimension below 1. Raises nothing.
int32_t GetUpperBound(const std::vector<ProjectEntry>& lpArray, int32_t Dimension);
