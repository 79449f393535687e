// Helpers shared by the commands of the command line.
#include "cli/CommandSupport.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <system_error>

#include "commands/TemplateCheck.h"
#include "policy/Policy.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/SystemCodePage.h"

namespace cli {

Text ArgumentText(const std::string& argument) {
#ifdef _WIN32
    return vb::Decode(argument, vb::AnsiCodePage());
#else
    return vb::FromUtf8(argument);
#endif
}

CLI::Option* AddQuietOption(CLI::App& command, bool& quiet) {
    return command.add_flag("--quiet", quiet, "Print findings, warnings and errors only: no progress, no summary, "
                                              "no procedures left as they are");
}

namespace {

// The code page that `--codepage TEXT` names; CLI::ValidationError, which
// prints as one line, when the text is no number of a code page this build
// can use.
int32_t ParseCodePage(const std::string& text) {
    const std::string unknown = "--codepage " + text + ": not a code page this build knows";
    int32_t codePage = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, codePage);
    if (failure != std::errc() || stop != end || codePage <= 0) throw CLI::ValidationError(unknown);
    try {
        vb::SetAnsiCodePage(codePage);  // builds its table once; the command puts it in force again
    } catch (const vb::VbError& error) {
        if (error.Description() == vb::UnknownCodePage(codePage).Description()) throw CLI::ValidationError(unknown);
        throw CLI::ValidationError("--codepage " + text + ": " + error.Description());
    }
    return codePage;
}

}  // namespace

void AddCodePageOption(CLI::App& command, int32_t& codePage) {
    command
        .add_option_function<std::string>(
            "--codepage", [&codePage](const std::string& text) { codePage = ParseCodePage(text); },
            "Code page of the files (default: 1252, or the system's on Windows)")
        ->type_name("N");
}

std::string ArgumentErrorMessage(const CLI::App* /*app*/, const CLI::Error& error) {
    return std::string("trapwright: error: ") + error.what() + "\n";
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

std::string ErrorMessage(const vb::VbError& error, const Text& file) {
    if (error.Line() > 0 && !file.empty()) {
        return ReportPath(file) + ":" + std::to_string(error.Line()) + ": error " + std::to_string(error.Number()) +
               ": " + error.Description() + " (" + error.Detail() + ")";
    }
    const std::string path = file.empty() ? std::string() : vb::DisplayPath(file);
    std::string place = error.Context();
    if (!path.empty() && place.rfind(path, 0) != 0) place = place.empty() ? path : path + ": " + place;
    std::string message = "trapwright: error " + std::to_string(error.Number()) + ": " + error.Description();
    if (!place.empty()) message += " (" + place + ")";
    return message;
}

void ReportError(const vb::VbError& error, const Text& file) { std::cerr << ErrorMessage(error, file) << "\n"; }

Failure DescribeFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const UsageError& error) {
        return {std::string("trapwright: error: ") + error.what(), true};
    } catch (const policy::PolicyError& error) {
        // A faulty policy is refused before any work, like a faulty command line.
        return {error.what(), true};
    } catch (const templates::TemplateError& error) {
        // So is a template that cannot make blocks VB6 compiles.
        return {std::string("trapwright: error: ") + error.what(), true};
    } catch (const vb::VbError& error) {
        return {ErrorMessage(error)};
    } catch (const std::bad_alloc&) {
        return {ErrorMessage(vb::VbError(vb::ErrOutOfMemory))};
    } catch (const std::exception& error) {
        return {std::string("trapwright: internal error: ") + error.what()};
    } catch (...) {
        return {"trapwright: internal error"};
    }
}

std::string MissingProjectWarning(const Text& project) {
    std::string warning = "trapwright: skipped, no such project: " + vb::DisplayPath(project);
    const bool beyondAscii = std::any_of(project.begin(), project.end(), [](char16_t unit) { return unit > 0x7F; });
    if (beyondAscii) {
        warning += " (if the group file names it in another code page than " + std::to_string(vb::AnsiCodePage()) +
                   ", give that one with --codepage)";
    }
    return warning;
}

}  // namespace cli
