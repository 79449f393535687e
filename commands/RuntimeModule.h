// The runtime module modDebugErr: what the built-in template's blocks call
// (ErrorIn, HandleError, EA_NORERAISE), written by `trapwright runtime` and
// `add --with-runtime`, and never given a block itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "commands/SourceList.h"
#include "vb_runtime/Text.h"

namespace run {

/// The module's name (its Attribute VB_Name) and the file it is written to.
inline constexpr char16_t kRuntimeModuleName[] = u"modDebugErr";
inline constexpr char16_t kRuntimeFileName[] = u"modDebugErr.bas";

/// The module's text, with CR LF line breaks (ASCII only).
const Text& RuntimeModuleText();

/// The module's bytes in `codePage`, as `runtime` writes them.
std::string RuntimeModuleBytes(int32_t codePage);

/// Whether a file of a run is the runtime module: a project's object named
/// modDebugErr, or a named file called modDebugErr.bas (letter case
/// ignored). No run reads or changes it as a source.
bool IsRuntimeModule(const SourceFile& file);

/// The files of a run without the runtime module, numbered again from 0.
std::vector<SourceFile> WithoutRuntimeModule(std::vector<SourceFile> files);

}  // namespace run
