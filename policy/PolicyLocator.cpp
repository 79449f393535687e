// Looking for trapwright.toml upwards from a folder.
#include "policy/PolicyLocator.h"

#include <filesystem>
#include <system_error>

#include "policy/Policy.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"

namespace policy {

std::optional<Text> FindPolicy(const Text& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path current = fs::absolute(fs::path(vb::NativePath(folder.empty() ? Text(u".") : folder)), error);
    if (error) return std::nullopt;
    current = current.lexically_normal();
    for (;;) {
        const fs::path candidate = current / fs::path(Text(Policy::FileName));
        if (fs::is_regular_file(candidate, error)) {
#ifdef _WIN32
            return Text(reinterpret_cast<const char16_t*>(candidate.wstring().c_str()));
#else
            return vb::FromUtf8(candidate.string());
#endif
        }
        if (fs::exists(current / ".git", error) || !current.has_relative_path()) return std::nullopt;
        const fs::path parent = current.parent_path();
        if (parent == current) return std::nullopt;
        current = parent;
    }
}

}  // namespace policy
