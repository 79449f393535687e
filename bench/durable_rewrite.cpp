// The floor that any durable rewrite of a tree of files pays: each file's
// own bytes put back over it, one file after another, through a temporary
// file beside it that is flushed to the disk and renamed into its place.
//   durable_rewrite FOLDER      prints the seconds it took
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void Rewrite(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const fs::path temporary = file.string() + ".rewrite";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + temporary.string());
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) throw std::runtime_error("cannot write " + temporary.string());
        done += static_cast<size_t>(written);
    }
    if (::fdatasync(fd) != 0 || ::close(fd) != 0) throw std::runtime_error("cannot flush " + temporary.string());
    fs::rename(temporary, file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: durable_rewrite FOLDER\n");
        return 2;
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(argv[1])) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    const auto start = std::chrono::steady_clock::now();
    for (const fs::path& file : files) Rewrite(file);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.6f\n", took.count());
    return 0;
}
