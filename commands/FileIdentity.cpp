// File identities.
#include "commands/FileIdentity.h"

#include <system_error>
#ifdef _WIN32
#include <cwctype>
#endif

#include "vb_runtime/FileAccess.h"

namespace run {

std::filesystem::path FileIdentity(const Text& path) {
    const std::filesystem::path native(vb::NativePath(path));
    std::error_code error;
    std::filesystem::path identity = std::filesystem::canonical(native, error);
    if (error) identity = std::filesystem::absolute(native, error).lexically_normal();
#ifdef _WIN32
    // The canonical form keeps the letter case as written; Windows ignores it.
    std::wstring folded = identity.native();
    for (wchar_t& c : folded) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    identity = folded;
#endif
    return identity;
}

}  // namespace run
