// The runtime module's text and how a run knows it.
#include "commands/RuntimeModule.h"

#include <algorithm>

#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/Strings.h"

namespace run {

namespace {

constexpr char kModuleLines[] =
#include "commands/RuntimeModuleText.inc"
    ;

}  // namespace

const Text& RuntimeModuleText() {
    static const Text text = [] {
        Text crLf;
        for (const char c : std::string_view(kModuleLines)) {
            if (c == '\n') crLf += u'\r';
            crLf += static_cast<char16_t>(static_cast<unsigned char>(c));
        }
        return crLf;
    }();
    return text;
}

std::string RuntimeModuleBytes(int32_t codePage) { return vb::Encode(RuntimeModuleText(), codePage); }

bool IsRuntimeModule(const SourceFile& file) {
    if (!file.objectName.empty()) return vb::NamesEqual(file.objectName, kRuntimeModuleName);
    return file.named && vb::NamesEqual(vb::FileNamePart(file.path), kRuntimeFileName);
}

std::vector<SourceFile> WithoutRuntimeModule(std::vector<SourceFile> files) {
    files.erase(std::remove_if(files.begin(), files.end(), IsRuntimeModule), files.end());
    for (size_t i = 0; i < files.size(); ++i) files[i].Index = static_cast<int32_t>(i);
    return files;
}

}  // namespace run
