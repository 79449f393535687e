// Synthetic VB6 modules and projects for benchmarks and stress tests.
#pragma once

#include <cstdint>
#include <string>

namespace synthetic {

/// A module of `lines` physical lines (CR LF, no final break) in
/// Windows-1252: procedures of every kind with bodies, comments, strings,
/// Declare and Exit lines. The same seed gives the same bytes.
std::string Module(int32_t lines, uint32_t seed);

/// Writes `files` modules of `linesPerFile` lines and a Demo.vbp listing
/// them (forms, classes, modules and user controls in turn) into `folder`.
void WriteProject(const std::string& folder, int32_t files, int32_t linesPerFile, uint32_t seed);

}  // namespace synthetic
