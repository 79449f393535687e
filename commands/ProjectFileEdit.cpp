// Adding and taking out the runtime module's line of a project file.
#include "commands/ProjectFileEdit.h"

#include <vector>

#include "commands/RuntimeModule.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Strings.h"

namespace run {

namespace {

// A line of the file: [start, end) without its line break, which runs to `next`.
struct ByteLine {
    size_t start = 0;
    size_t end = 0;
    size_t next = 0;
};

// The file's lines, split at its line break as the project reader splits
// them. An LF or CR byte is never part of another character in any code
// page a project file is written in, so the bytes split before decoding.
std::vector<ByteLine> LinesOf(std::string_view bytes, std::string_view lineBreak) {
    std::vector<ByteLine> lines;
    for (size_t from = 0; from < bytes.size();) {
        const size_t found = bytes.find(lineBreak, from);
        const size_t end = found == std::string_view::npos ? bytes.size() : found;
        const size_t next = found == std::string_view::npos ? bytes.size() : found + lineBreak.size();
        lines.push_back(ByteLine{from, end, next});
        from = next;
    }
    return lines;
}

std::string_view ByteLineBreak(std::string_view bytes) {
    return vb::DetectLineBreak(bytes) == vb::Lf ? std::string_view("\n") : std::string_view("\r\n");
}

// The key of a setting line (what comes before its first "="); empty for none.
Text KeyOf(const Text& line) {
    const size_t equals = line.find(u'=');
    return equals == Text::npos ? Text() : line.substr(0, equals);
}

bool IsObjectKey(const Text& key) {
    for (const char16_t* kind : {u"Form", u"Module", u"Class", u"UserControl"}) {
        if (vb::EqualsNoCase(key, kind)) return true;
    }
    return false;
}

}  // namespace

ByteEdit RuntimeLineInsertion(std::string_view projectBytes, int32_t codePage) {
    const std::string_view lineBreak = ByteLineBreak(projectBytes);
    const std::vector<ByteLine> lines = LinesOf(projectBytes, lineBreak);
    const ByteLine* lastModule = nullptr;
    const ByteLine* lastObject = nullptr;
    const ByteLine* type = nullptr;
    for (const ByteLine& line : lines) {
        const Text key = KeyOf(vb::Decode(projectBytes.substr(line.start, line.end - line.start), codePage));
        if (vb::EqualsNoCase(key, u"Module")) lastModule = &line;
        if (IsObjectKey(key)) lastObject = &line;
        if (type == nullptr && vb::EqualsNoCase(key, u"Type")) type = &line;
    }
    const ByteLine* after = lastModule != nullptr ? lastModule : lastObject != nullptr ? lastObject : type;
    const std::string text = vb::Encode(kRuntimeProjectLine, codePage);
    if (after == nullptr) return ByteEdit{0, 0, text + std::string(lineBreak)};
    if (after->next == after->end) return ByteEdit{after->end, 0, std::string(lineBreak) + text};
    return ByteEdit{after->next, 0, text + std::string(lineBreak)};
}

std::optional<ByteEdit> RuntimeLineRemoval(std::string_view projectBytes, int32_t codePage) {
    const std::string_view lineBreak = ByteLineBreak(projectBytes);
    const std::vector<ByteLine> lines = LinesOf(projectBytes, lineBreak);
    for (size_t k = 0; k < lines.size(); ++k) {
        const ByteLine& line = lines[k];
        const Text text = vb::Decode(projectBytes.substr(line.start, line.end - line.start), codePage);
        if (!vb::EqualsNoCase(KeyOf(text), u"Module")) continue;
        const std::vector<Text> parts = vb::Split(text.substr(text.find(u'=') + 1), u";");
        if (parts.size() != 2 || !vb::NamesEqual(vb::Trim(parts[0]), kRuntimeModuleName) ||
            !vb::NamesEqual(vb::Trim(parts[1]), kRuntimeFileName)) {
            continue;
        }
        if (line.next == line.end && k > 0) {
            // The last line, without a line break: the one before it goes with it.
            return ByteEdit{lines[k - 1].end, line.end - lines[k - 1].end, ""};
        }
        return ByteEdit{line.start, line.next - line.start, ""};
    }
    return std::nullopt;
}

}  // namespace run
