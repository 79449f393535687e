// File names in diff headers as git writes them, so that git apply and
// patch read back exactly the name that was meant.
#pragma once

#include <string>
#include <string_view>

namespace run {

/// `path` (UTF-8 bytes) as git quotes it: unchanged when it holds no byte
/// below 0x20, no DEL, no '"', no '\' and no byte above 0x7F; otherwise in
/// double quotes, with \a \b \t \n \v \f \r \" \\ for those characters and
/// a three-digit octal escape for every other such byte.
std::string GitQuotedPath(std::string_view path);

/// The name after "--- " or "+++ " in a diff header: `prefix` and `path`
/// quoted as one, then a tab when the name holds a space, as git ends such
/// names so that patch does not stop reading at the space.
std::string DiffHeaderName(std::string_view prefix, std::string_view path);

}  // namespace run
