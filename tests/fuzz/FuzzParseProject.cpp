// Fuzz target: any bytes as a project file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "project_model/clsProject.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/VbError.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

const std::string& ProjectPath() {
    static const std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/trapwright-fuzz-" + std::to_string(getpid()) + "/Project.vbp";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        const std::string folder = ProjectPath().substr(0, ProjectPath().rfind('/'));
        return std::system(("mkdir -p '" + folder + "'").c_str()) == 0;
    }();
    Check(ready);
    std::FILE* file = std::fopen(ProjectPath().c_str(), "wb");
    Check(file != nullptr);
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    clsProject project;
    const Text path = vb::FromUtf8(ProjectPath());
    project.ParseProject(path);
    Check(project.CodeInput() == vb::Decode(std::string_view(reinterpret_cast<const char*>(data), size), 1252));
    const Text folder = path.substr(0, path.rfind(u'/') + 1);
    for (int32_t i = 0; i <= project.ObjectCount(); ++i) {
        Check(project.ObjectPath(i).compare(0, folder.size(), folder) == 0);
        Check(!project.ObjectType(i).empty());
    }
    try {
        project.ObjectName(project.ObjectCount() + 1);
        Check(false);
    } catch (const vb::VbError& error) {
        Check(error.Number() == 9);
    }
    return 0;
}
