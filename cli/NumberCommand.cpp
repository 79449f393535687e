// `trapwright number PROJECT.vbp|GROUP.vbg|SOURCE... [--start N] [--step N]
//  [--per procedure|module] [--map FILE] [--begin FILE] [--end FILE]
//  [--codepage N] [--backup] [--dry-run [--diff]] [--policy FILE | --no-policy]`
// `trapwright unnumber PROJECT.vbp|GROUP.vbg|SOURCE... [the same options but --map]`
// `trapwright where MAP PATH PROCEDURE NUMBER [--root DIR] [--codepage N]`
//
// number puts a line number in front of every statement line of every
// procedure, the lines of its error-handling blocks aside, and with --map
// writes where each number went; unnumber takes them off again, and
// leaves alone the numbers that number does not give (written by hand,
// or with other options), which code may jump to; where
// prints the line a logged Erl names. Exit 0 on success, 1 on an error
// (nothing written), 2 on usage.
#include "cli/NumberCommand.h"

#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandSupport.h"
#include "cli/ExitStatus.h"
#include "cli/ProjectInput.h"
#include "source_transformation/LineNumbering.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Strings.h"

namespace cli {

namespace {

namespace fs = std::filesystem;

CLI::App* AddNumberingCommand(CLI::App& app, SourceRunOptions& options, const char* name, const char* description) {
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("PROJECT|SOURCE", options.inputs, "A VB6 project file (.vbp) or project group (.vbg), or source files")
        ->required();
    AddTemplateOptions(*command, options);
    AddPolicyOptions(*command, options);
    AddWriteOptions(*command, options, false);
    // unnumber takes the options too: it takes off the numbers that number
    // gives with them, and no others.
    command->add_option_function<int64_t>("--start", [&options](int64_t start) { options.numbers.start = start; },
                                          "The first number, 1 to 65529 (default: 10, or the policy's)")
        ->type_name("N")
        ->check(CLI::Range(int64_t{1}, int64_t{65529}));
    command->add_option_function<int64_t>("--step", [&options](int64_t step) { options.numbers.step = step; },
                                          "The step between numbers, 1 to 65529 (default: 10, or the policy's)")
        ->type_name("N")
        ->check(CLI::Range(int64_t{1}, int64_t{65529}));
    command
        ->add_option_function<std::string>(
            "--per", [&options](const std::string& per) { options.numbers.perModule = per == "module"; },
            "procedure: each procedure's numbers start afresh (the default); module: one sequence per module")
        ->type_name("procedure|module")
        ->check(CLI::IsMember({"procedure", "module"}));
    return command;
}

// The map's header row, which tells a map from any other file.
constexpr char kMapHeader[] = "PATH\tPROCEDURE\tNUMBER\tLINE";

// The folders above the map that do not exist, created so that it can be
// written; those created are removed again, when empty, unless the map
// was written.
class MapFolders {
public:
    explicit MapFolders(const Text& mapFile) {
        std::error_code error;
        fs::path folder = fs::absolute(fs::path(vb::NativePath(mapFile)), error).parent_path();
        std::vector<fs::path> missing;
        while (!folder.empty() && !fs::exists(folder, error) && folder != folder.parent_path()) {
            missing.push_back(folder);
            folder = folder.parent_path();
        }
        for (auto each = missing.rbegin(); each != missing.rend(); ++each) {
            if (!fs::create_directory(*each, error) && error) {
                throw vb::VbError(vb::ErrPathNotFound, vb::DisplayPath(mapFile) + ": cannot create its folder");
            }
            created_.push_back(*each);
        }
    }
    ~MapFolders() {
        if (keep_) return;
        std::error_code ignored;
        for (auto each = created_.rbegin(); each != created_.rend(); ++each) fs::remove(*each, ignored);
    }
    MapFolders(const MapFolders&) = delete;
    MapFolders& operator=(const MapFolders&) = delete;

    void Keep() { keep_ = true; }

private:
    std::vector<fs::path> created_;  // from the outermost in
    bool keep_ = false;
};

// A path as the map writes it: relative to the project's folder where it
// lies below it, with "/" between its parts.
std::string MapPath(const Text& path, const Text& folder) {
    Text relative = path;
    // The folder as FolderPart gives it, with its final separator.
    if (!folder.empty() && relative.size() > folder.size() && relative.compare(0, folder.size(), folder) == 0) {
        relative.erase(0, folder.size());
    }
    for (char16_t& c : relative) {
        if (c == u'\\') c = u'/';
    }
    return vb::ToUtf8(relative);
}

// The map: a header row, then PATH, PROCEDURE, NUMBER and LINE of every
// number, tab-separated, in UTF-8. It is written a piece at a time into
// `write`, and replaces the file only once it is whole.
void WriteMap(vb::PendingWrite& write, const run::RunResult& result, const Text& folder) {
    constexpr size_t kPiece = size_t{1} << 20;
    std::string rows = std::string(kMapHeader) + "\n";
    for (const run::NumberedFile& numbered : result.numbers) {
        const std::string path = MapPath(numbered.path, folder) + "\t";
        std::vector<std::string> procedures;
        for (const Text& procedure : numbered.procedures) procedures.push_back(vb::ToUtf8(procedure) + "\t");
        for (const run::NumberedLine& line : numbered.lines) {
            rows.append(path).append(procedures[static_cast<size_t>(line.procedure)]);
            rows.append(std::to_string(line.number)).append("\t").append(std::to_string(line.line)).append("\n");
            if (rows.size() >= kPiece) {
                write.Append(rows);
                rows.clear();
            }
        }
    }
    write.Append(rows);
    write.Seal();
    write.Flush();
    write.Commit();
}

std::vector<std::string> Fields(const std::string& row) {
    std::vector<std::string> fields;
    size_t from = 0;
    for (size_t tab; (tab = row.find('\t', from)) != std::string::npos; from = tab + 1) {
        fields.push_back(row.substr(from, tab - from));
    }
    fields.push_back(row.substr(from));
    return fields;
}

// Where the map's rows start, after its header row; UsageError when the
// file does not start with that row.
size_t FirstRowOf(const std::string& map, const std::string& mapName) {
    size_t end = map.find('\n');
    if (end == std::string::npos) end = map.size();
    const size_t length = end > 0 && map[end - 1] == '\r' ? end - 1 : end;
    if (map.compare(0, length, kMapHeader) != 0 || length != std::strlen(kMapHeader)) {
        throw UsageError(mapName + " is no map of number --map: it does not start with the header row "
                         "PATH<TAB>PROCEDURE<TAB>NUMBER<TAB>LINE");
    }
    return end + 1;
}

// A path as where compares it with the map's: "/" between its parts.
Text WithSlashes(Text path) {
    for (char16_t& c : path) {
        if (c == u'\\') c = u'/';
    }
    return path;
}

}  // namespace

CLI::App* AddNumberCommand(CLI::App& app, SourceRunOptions& options) {
    CLI::App* command = AddNumberingCommand(app, options, "number",
                                            "Put a line number in front of every statement line of every procedure");
    command->add_option("--map", options.mapFile, "Write where each number went: PATH, PROCEDURE, NUMBER, LINE")
        ->type_name("FILE");
    return command;
}

int RunNumber(const SourceRunOptions& options) {
    ApplyCodePage(options.codePage);
    const RunInputs inputs = OpenInputs(options.inputs);
    // A map that cannot be written stops the run before any source is.
    std::optional<MapFolders> mapFolders;
    std::optional<vb::PendingWrite> map;
    if (!options.mapFile.empty() && !options.dryRun) {
        mapFolders.emplace(ArgumentText(options.mapFile));
        map.emplace(ArgumentText(options.mapFile));
    }
    const run::RunResult result = Execute(inputs, run::Operation::Number, options);
    if (!result.Succeeded()) return ExitFailure;
    if (map) {
        WriteMap(*map, result, inputs.diffFolder);
        mapFolders->Keep();
    }
    if (!options.quiet) {
        std::cerr << "files numbered: " << result.counts.filesChanged << "; lines numbered: " << result.counts.linesNumbered
                  << SkippedCounts(result);
    }
    ReportDryRun(options, result);
    return ExitSuccess;
}

CLI::App* AddUnnumberCommand(CLI::App& app, SourceRunOptions& options) {
    return AddNumberingCommand(app, options, "unnumber",
                               "Take off the line numbers that number gives, with the same --start, --step and --per");
}

int RunUnnumber(const SourceRunOptions& options) {
    ApplyCodePage(options.codePage);
    const run::RunResult result = Execute(OpenInputs(options.inputs), run::Operation::Unnumber, options);
    if (!result.Succeeded()) return ExitFailure;
    if (!options.quiet) {
        std::cerr << "files unnumbered: " << result.counts.filesChanged << "; lines unnumbered: " << result.counts.linesNumbered
                  << SkippedCounts(result);
    }
    ReportDryRun(options, result);
    return ExitSuccess;
}

CLI::App* AddWhereCommand(CLI::App& app, WhereOptions& options) {
    CLI::App* command = app.add_subcommand("where", "Print the line of the unnumbered source that a logged Erl names");
    command->add_option("MAP", options.map, "The map that number --map wrote")->required();
    command->add_option("PATH", options.path, "The file, as the map names it")->required();
    command->add_option("PROCEDURE", options.procedure, "The procedure, as [ProcName] gives it")->required();
    command->add_option("NUMBER", options.number, "The line number Erl gave")->required();
    command->add_option("--root", options.root, "The project's folder, where the map's paths start (default: the current folder)")
        ->type_name("DIR");
    AddCodePageOption(*command, options.codePage);
    return command;
}

int RunWhere(const WhereOptions& options) {
    ApplyCodePage(options.codePage);
    const Text mapFile = ArgumentText(options.map);
    const std::string map = vb::ReadFileBytes(mapFile);
    const Text wantedProcedure = vb::Trim(vb::FromUtf8(options.procedure));
    const Text wantedPath = WithSlashes(ArgumentText(options.path));
    for (size_t from = FirstRowOf(map, vb::DisplayPath(mapFile)), end; from < map.size(); from = end + 1) {
        end = map.find('\n', from);
        if (end == std::string::npos) end = map.size();
        std::vector<std::string> fields = Fields(map.substr(from, end - from));
        if (fields.size() != 4 || fields[2] != std::to_string(options.number)) continue;
        // As VB and Windows do: letter case aside, either separator.
        const Text path = WithSlashes(vb::FromUtf8(fields[0]));
        if (!vb::NamesEqual(path, wantedPath)) continue;
        if (!vb::NamesEqual(vb::Trim(vb::FromUtf8(fields[1])), wantedProcedure)) continue;
        Text root = ArgumentText(options.root);
        if (!root.empty() && root.back() != u'/' && root.back() != u'\\') root += u'/';
        const Text text = vb::Decode(vb::ReadFileBytes(root + path), vb::AnsiCodePage());
        const std::vector<Text> lines = vb::Split(text, vb::DetectLineBreak(text));
        const size_t line = std::stoul(fields[3]);
        const std::string shownPath = vb::ToUtf8(path);
        if (line == 0 || line > lines.size()) {
            throw vb::VbError(vb::ErrInvalidArgument,
                              shownPath + " has no line " + fields[3] + "; is it the file that was numbered?");
        }
        // Still numbered, the line shows as it was before numbering.
        const vb::TextView shown = vb::TextView(lines[line - 1]).substr(scan::LineNumberLength(lines[line - 1]));
        UseBinaryStdout();
        std::cout << shownPath << ":" << line << ": " << vb::ToUtf8(shown) << "\n" << std::flush;
        return ExitSuccess;
    }
    std::cerr << "trapwright: " << vb::ToUtf8(wantedPath) << " " << options.procedure << " " << options.number
              << " is not in " << vb::DisplayPath(mapFile) << "\n";
    return ExitFailure;
}

}  // namespace cli
