// Helpers shared by the commands of the command line.
#include "cli/CommandSupport.h"

#include <iostream>

#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/LineBreak.h"

namespace cli {

Text ArgumentText(const std::string& argument) {
#ifdef _WIN32
    return vb::Decode(argument, vb::AnsiCodePage());
#else
    return vb::FromUtf8(argument);
#endif
}

void AddQuietOption(CLI::App& command, bool& quiet) {
    command.add_flag("--quiet", quiet, "Print no progress and no summary: only findings, warnings and errors");
}

void AddCodePageOption(CLI::App& command, int32_t& codePage) {
    command.add_option("--codepage", codePage, "Code page of the files (default: 1252, or the system's on Windows)")
        ->check(CLI::PositiveNumber);
}

void ApplyCodePage(int32_t codePage) {
    if (codePage == 0) return;
    try {
        vb::SetAnsiCodePage(codePage);
    } catch (const vb::VbError& error) {
        throw UsageError(error.Description());
    }
}

Text ReadTemplate(const std::string& fileName) {
    const Text path = ArgumentText(fileName);
    if (!vb::IsOrdinaryFile(path)) throw vb::VbError(vb::ErrFileNotFound, vb::DisplayPath(path));
    const std::string bytes = vb::ReadFileBytes(path);
    try {
        return vb::LoneLfToCrLf(vb::DecodeTextFile(bytes, vb::AnsiCodePage()));
    } catch (const vb::VbError& error) {
        if (error.Number() != vb::ErrInvalidArgument) throw;
        throw UsageError(ReportPath(path) + ": " + error.Context());
    }
}

std::string ReportPath(const Text& path) {
#ifdef _WIN32
    return vb::DisplayPath(path);
#else
    return vb::NativePath(path);
#endif
}

const char* SkipReason(const Text& path) {
    return vb::PathExists(path) ? "a folder or a hidden file" : "no such file";
}

void ReportNulBytes(const Text& path) {
    std::cerr << ReportPath(path) << " holds NUL bytes, so it is no VB6 source; left as it is\n";
}

void ReportError(const vb::VbError& error, const Text& file) {
    if (error.Line() > 0 && !file.empty()) {
        std::cerr << ReportPath(file) << ":" << error.Line() << ": error " << error.Number() << ": "
                  << error.Description() << " (" << error.Detail() << ")\n";
        return;
    }
    const std::string path = file.empty() ? std::string() : vb::DisplayPath(file);
    std::string place = error.Context();
    if (!path.empty() && place.rfind(path, 0) != 0) place = place.empty() ? path : path + ": " + place;
    std::cerr << "trapwright: error " << error.Number() << ": " << error.Description();
    if (!place.empty()) std::cerr << " (" << place << ")";
    std::cerr << "\n";
}

}  // namespace cli
