// Speed of the transformation on large modules (Google Benchmark).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "bench/SyntheticProject.h"
#include "project_model/clsProject.h"
#include "source_transformation/LineClassifier.h"
#include "source_transformation/ModuleScan.h"
#include "source_transformation/clsVBParser.h"
#include "commands/DefaultTemplates.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/CodePageTable.h"

namespace {

void BM_AddErrorHandler(benchmark::State& state) {
    const int32_t lines = static_cast<int32_t>(state.range(0));
    clsVBParser parser;
    parser.CodeInput(vb::DecodeAnsi(synthetic::Module(lines, 7)));
    for (auto _ : state) {
        parser.AddErrorHandler(templates::DefaultBeginTemplate(), u"' end of [ProcName]\r\n");
        benchmark::DoNotOptimize(parser.CodeOutput().data());
    }
    state.counters["procedures"] = parser.ProcedureCount();
    state.SetItemsProcessed(state.iterations() * lines);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(parser.CodeInput().size()));
}
BENCHMARK(BM_AddErrorHandler)->Arg(1000)->Arg(65000)->Unit(benchmark::kMillisecond);

// The pure scan: headers and block sites, nothing inserted; in both modes.
void BM_ScanModule(benchmark::State& state) {
    const std::string module = synthetic::Module(65000, 7);
    const Text text = vb::DecodeAnsi(module);
    const scan::FixedTemplates templates(
        scan::HandlerTemplates{templates::DefaultBeginTemplate(), u"' end of [ProcName]\r\n"});
    scan::ScanOptions options;
    options.mode = state.range(0) == 0 ? scan::ScanMode::Insert : scan::ScanMode::Recognize;
    for (auto _ : state) benchmark::DoNotOptimize(scan::ScanModule(text, templates, options).sites.size());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(module.size()));
}
BENCHMARK(BM_ScanModule)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same scan over the file's Windows-1252 bytes, as a run does in code
// pages that keep ASCII bytes: the text is never decoded. The second
// argument 1 classifies the lines on a second thread, as a run does for a
// large module while a core is spare.
void BM_ScanModuleBytes(benchmark::State& state) {
    const std::string module = synthetic::Module(65000, 7);
    const scan::FixedTemplates templates(
        scan::HandlerTemplates{templates::DefaultBeginTemplate(), u"' end of [ProcName]\r\n"});
    scan::ScanOptions options;
    options.mode = state.range(0) == 0 ? scan::ScanMode::Insert : scan::ScanMode::Recognize;
    options.classifyAhead = state.range(1) == 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scan::ScanModuleBytes(module, 1252, templates, options).sites.size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(module.size()));
}
BENCHMARK(BM_ScanModuleBytes)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The line classifier alone over the same bytes, with each of its kernels
// (0 scalar, 1 16-byte vectors, 2 32-byte vectors, 3 the widest the
// processor has).
void BM_ClassifyLines(benchmark::State& state) {
    const std::string module = synthetic::Module(65000, 7);
    const scan::Units<char> units(1252);
    const auto kernel = static_cast<scan::LineClassifier<char>::Kernel>(state.range(0));
    scan::ClassifiedLines lines;
    for (auto _ : state) {
        lines.Clear();
        scan::LineClassifier<char> classifier(module, u"\r\n", units, kernel);
        while (classifier.AppendBatch(lines)) {
        }
        benchmark::DoNotOptimize(lines.ends.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(module.size()));
}
BENCHMARK(BM_ClassifyLines)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// LoadCode, AddErrorHandler and SaveCode of one file on disk.
void BM_TransformFile(benchmark::State& state) {
    const int32_t lines = static_cast<int32_t>(state.range(0));
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "trapwright-bench.bas";
    const std::string module = synthetic::Module(lines, 7);
    const Text file = vb::FromUtf8(path.string());
    clsVBParser parser;
    for (auto _ : state) {
        state.PauseTiming();
        std::FILE* out = std::fopen(path.c_str(), "wb");
        std::fwrite(module.data(), 1, module.size(), out);
        std::fclose(out);
        state.ResumeTiming();
        parser.LoadCode(file);
        parser.AddErrorHandler(templates::DefaultBeginTemplate(), Text());
        parser.SaveCode(file);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_TransformFile)->Arg(65000)->Unit(benchmark::kMillisecond);

// The project-file reader on a project file of 10,000 lines: objects of
// every kind and settings, as the IDE writes them.
void BM_ParseProject(benchmark::State& state) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "trapwright-bench.vbp";
    std::string project = "Type=Exe\r\nName=\"Big\"\r\n";
    static const char* const kinds[] = {"Form=Form", "Module=Mod", "Class=Cls", "UserControl=Ctl"};
    for (int i = 0; i < 10000; ++i) {
        if (i % 5 == 4) {
            project += "Setting" + std::to_string(i) + "=\"value " + std::to_string(i) + "\"\r\n";
        } else {
            project += std::string(kinds[i % 4]) + std::to_string(i) + "; Sub\\File" + std::to_string(i) + ".bas\r\n";
        }
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(project.data(), 1, project.size(), out);
    std::fclose(out);
    const Text file = vb::FromUtf8(path.string());
    for (auto _ : state) {
        clsProject parsed;
        parsed.ParseProject(file);
        benchmark::DoNotOptimize(parsed.ObjectCount());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(project.size()));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ParseProject)->Unit(benchmark::kMillisecond);

// Decoding and encoding a large module once the code page's table exists.
void BM_DecodeModule(benchmark::State& state) {
    const auto codePage = static_cast<int32_t>(state.range(0));
    const std::string module = synthetic::Module(65000, 7);
    vb::Decode(module, codePage);
    for (auto _ : state) benchmark::DoNotOptimize(vb::Decode(module, codePage).data());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(module.size()));
}
BENCHMARK(BM_DecodeModule)->Arg(1252)->Arg(1251)->Arg(932)->Arg(65001)->Unit(benchmark::kMillisecond);

void BM_EncodeModule(benchmark::State& state) {
    const auto codePage = static_cast<int32_t>(state.range(0));
    const std::string module = synthetic::Module(65000, 7);
    const Text text = vb::Decode(module, codePage);
    for (auto _ : state) benchmark::DoNotOptimize(vb::Encode(text, codePage).data());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(module.size()));
}
BENCHMARK(BM_EncodeModule)->Arg(1252)->Arg(1251)->Arg(932)->Arg(65001)->Unit(benchmark::kMillisecond);

// Probing the system's converter for a code page's tables, done once per run.
void BM_BuildCodePageTable(benchmark::State& state) {
    const auto codePage = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        const vb::CodePageTable table(codePage);
        benchmark::DoNotOptimize(&table);
    }
}
BENCHMARK(BM_BuildCodePageTable)->Arg(1251)->Arg(932)->Arg(949)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
