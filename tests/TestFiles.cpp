// Helpers for every test suite: scratch folders and files as bytes.
#include "TestFiles.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "vb_runtime/CodePage.h"

namespace testing_support {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    std::random_device random;
    path_ = fs::temp_directory_path() /
            ("trapwright-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    // Read-only entries (a read-only attribute on Windows) are made writable
    // first, so that everything can be removed.
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (const auto& entry : fs::recursive_directory_iterator(path_, ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files[std::filesystem::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
    }
    return files;
}

Text PathText(const fs::path& path) {
#ifdef _WIN32
    const std::wstring wide = path.wstring();
    return Text(wide.begin(), wide.end());
#else
    return vb::FromUtf8(path.string());
#endif
}

std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) joined += "\r\n";
        joined += lines[i];
    }
    return joined;
}

}  // namespace testing_support
