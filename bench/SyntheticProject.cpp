// Synthetic VB6 modules and projects.
#include "bench/SyntheticProject.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <random>
#include <stdexcept>

namespace synthetic {

namespace {

constexpr std::array<const char*, 6> kHeaders = {
    "Public Sub Proc{n}(ByVal a As Long, Optional ByRef b As String = \"x\")",
    "Private Function Func{n}(ParamArray args() As Variant) As Long",
    "Public Property Get Value{n}() As Long\r\nAttribute Value{n}.VB_Description = \"The value\"",
    "Friend Sub Refresh{n}(ByRef r As RECT, ByVal c As Collection)",
    "Static Function Calc{n}(x As Double, _\r\n        ByVal y As Double) As Double",
    "Public Property Let Value{n}(ByVal v As Long)",
};

constexpr std::array<const char*, 8> kBody = {
    "    Dim total As Long",
    "    total = total + 1 ' add one to the total",
    "    If total > 10 Then Exit Sub",
    "    MsgBox \"The Function ended \" & total",
    "    Call DoSomething (total)",
    "    ' caf\xE9 \x96 a comment with Windows-1252 bytes",
    "",
    "\tDebug.Print \"Sub \" & total",
};

std::string Expand(const char* pattern, int n) {
    std::string line = pattern;
    for (size_t at; (at = line.find("{n}")) != std::string::npos;) line.replace(at, 3, std::to_string(n));
    return line;
}

const char* EndLine(int header) {
    switch (header % 6) {
    case 1:
    case 4: return "End Function ' done";
    case 2:
    case 5: return "End Property";
    default: return "End Sub";
    }
}

}  // namespace

std::string Module(int32_t lines, uint32_t seed) {
    std::mt19937 random(seed);
    std::string text = "Attribute VB_Name = \"Synthetic\"\r\nOption Explicit\r\n"
                       "Private Declare Function GetTickCount Lib \"kernel32\" () As Long";
    int32_t written = 3;
    int procedure = 0;
    while (written < lines) {
        const int header = static_cast<int>(random() % kHeaders.size());
        const std::string headerLines = Expand(kHeaders[header], procedure++);
        text += "\r\n" + headerLines;
        written += 1 + static_cast<int32_t>(std::count(headerLines.begin(), headerLines.end(), '\n'));
        const int bodyLines = 3 + static_cast<int>(random() % 12);
        for (int i = 0; i < bodyLines && written < lines - 1; ++i, ++written) {
            text += "\r\n";
            text += kBody[random() % kBody.size()];
        }
        if (written < lines) {
            text += "\r\n";
            text += EndLine(header);
            ++written;
        }
    }
    return text;
}

void WriteProject(const std::string& folder, int32_t files, int32_t linesPerFile, uint32_t seed) {
    static constexpr std::array<const char*, 4> kKinds = {"Form", "Class", "Module", "UserControl"};
    static constexpr std::array<const char*, 4> kExtensions = {".frm", ".cls", ".bas", ".ctl"};
    std::string project = "Type=Exe\r\nName=\"Synthetic\"\r\n";
    for (int32_t i = 0; i < files; ++i) {
        const size_t kind = static_cast<size_t>(i) % kKinds.size();
        const std::string name = "Object" + std::to_string(i);
        const std::string file = name + kExtensions[kind];
        project += std::string(kKinds[kind]) + "=" + (kind == 0 ? file : name + "; " + file) + "\r\n";
        std::ofstream out(folder + "/" + file, std::ios::binary);
        const std::string module = Module(linesPerFile, seed + static_cast<uint32_t>(i));
        out.write(module.data(), static_cast<std::streamsize>(module.size()));
        if (!out) throw std::runtime_error("cannot write " + folder + "/" + file);
    }
    std::ofstream out(folder + "/Synthetic.vbp", std::ios::binary);
    out << project;
    if (!out) throw std::runtime_error("cannot write " + folder + "/Synthetic.vbp");
}

}  // namespace synthetic
