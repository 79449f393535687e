// Text: the wide string type of the system, UTF-16 code units as in the
// original runtime, identical on every platform.
#pragma once

#include <string>
#include <string_view>

namespace vb {

using Text = std::u16string;
using TextView = std::u16string_view;

/// The line separator of VB6 sources and project files.
inline constexpr TextView CrLf = u"\r\n";

}  // namespace vb

using vb::Text;
