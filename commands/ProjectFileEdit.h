// The one line of a project file that lists the runtime module, put in and
// taken out as an edit of the file's bytes: every other byte, its line
// breaks and its code page stay as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "commands/ModuleProcessing.h"

namespace run {

/// The line that lists the runtime module, as the VB6 IDE writes it.
inline constexpr char16_t kRuntimeProjectLine[] = u"Module=modDebugErr; modDebugErr.bas";

/// The edit that adds the line, with the file's line break (CR LF unless
/// lone LFs outnumber CR LFs): after the last "Module=" line, else after
/// the last object line (Form, Class, UserControl), else after a "Type="
/// line, else at the start. After a last line without a line break, the
/// line break goes before the new line and none after it.
ByteEdit RuntimeLineInsertion(std::string_view projectBytes, int32_t codePage);

/// The edit that takes out the line that lists a module named modDebugErr
/// in modDebugErr.bas of the project's folder, with its line break (with
/// the one before it when it is the last line and has none), so that it
/// undoes RuntimeLineInsertion byte for byte. None when there is no such line.
std::optional<ByteEdit> RuntimeLineRemoval(std::string_view projectBytes, int32_t codePage);

}  // namespace run
