// Fuzz target: any bytes as CodeInput and as both templates.
// The input is cut at the first two 0xFF bytes into module, begin template
// and end template, each decoded in Windows-1252. Besides AddErrorHandler,
// the run's scan of the bytes is checked against it, the fast scans against
// the plain one in every mode, every kernel of the line classifier against
// the scalar one, and the round trips of add --skip-handled and remove on
// modules in which no block stood before.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "ScanComparison.h"
#include "source_transformation/LineClassifier.h"
#include "commands/ModuleProcessing.h"
#include "commands/TemplateCheck.h"
#include "source_transformation/ModuleScan.h"
#include "source_transformation/ReferenceScan.h"
#include "source_transformation/ScanRules.h"
#include "source_transformation/HandlerTemplate.h"
#include "source_transformation/clsVBParser.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

namespace {

std::string_view TakePart(std::string_view& rest) {
    const size_t cut = rest.find('\xFF');
    const std::string_view part = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    return part;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

run::ModuleOutcome Process(const std::string& bytes, run::Operation operation, const scan::TemplateChoice& templates) {
    run::ModuleRequest request;
    request.operation = operation;
    request.skipHandled = operation == run::Operation::Add;
    request.templates = &templates;
    return run::ProcessModule(bytes, request);
}

// Whether the run takes the pair: it refuses one that cannot make blocks
// VB6 compiles (a control character, a jump to no label) before any file.
bool RunTakes(const Text& begin, const Text& end) {
    try {
        templates::CheckTemplatePair({begin, "begin"}, {end, "end"});
    } catch (const templates::TemplateError&) {
        return false;
    }
    return true;
}

// add --skip-handled twice is once, and remove gives the module back, where
// nothing stood before, the run takes the templates and the inserted text
// keeps the line break.
void CheckRoundTrip(const Text& module, const Text& begin, const Text& end) {
    if (!RunTakes(begin, end)) return;
    // Template files and the settings window never hold a lone LF.
    const scan::FixedTemplates templates(scan::HandlerTemplates{vb::LoneLfToCrLf(begin), vb::LoneLfToCrLf(end)});
    const std::string original = vb::Encode(module, 1252);
    run::ModuleOutcome once;
    try {
        if (Process(original, run::Operation::Remove, templates).changed) return;
        once = Process(original, run::Operation::Add, templates);
    } catch (const vb::VbError&) {
        return;
    }
    if (once.counts.alreadyHandled > 0 || !once.notes.empty()) return;
    // Blocks of placeholders and empty lines alone are never recognised.
    const vb::TextView lineBreak = vb::DetectLineBreak(module);
    const scan::HandlerTemplate beginTemplate(vb::LoneLfToCrLf(begin), scan::HandlerTemplate::Role::Begin, lineBreak,
                                              nullptr);
    const scan::HandlerTemplate endTemplate(vb::LoneLfToCrLf(end), scan::HandlerTemplate::Role::End, lineBreak,
                                            nullptr);
    if (!beginTemplate.Recognizable() || !(endTemplate.Empty() || endTemplate.Recognizable())) return;
    // A block that holds an End line, a header or a continued line changes
    // where its procedure ends: no template a VB6 project can use.
    for (const Text* text : {&begin, &end}) {
        for (const Text& line : vb::Split(vb::LoneLfToCrLf(*text), u"\r\n")) {
            if (scan::rules::IsEndLine(line) || scan::rules::HeaderKeyword(line) > 0 ||
                scan::rules::EndsWithContinuationMark(line)) {
                return;
            }
        }
    }
    if (vb::DetectLineBreak(vb::Decode(once.bytes, 1252)) != vb::DetectLineBreak(module)) return;
    Check(Process(once.bytes, run::Operation::Add, templates).bytes == once.bytes);
    Check(Process(once.bytes, run::Operation::Remove, templates).bytes == original);
}

// The run scans the module's bytes; the parser scans its text. Both give
// the same module, the run with the line break that saving appends, unless
// nothing goes in: then the run leaves the file as it is. A file with NUL
// bytes, or one that would grow past the lines VB6 loads, the run leaves as
// it is whatever the parser does.
void CheckByteScanAgrees(const Text& module, const Text& begin, const Text& end, const Text& output) {
    const scan::FixedTemplates templates(scan::HandlerTemplates{begin, end});
    run::ModuleRequest request;
    request.operation = run::Operation::Add;
    request.templates = &templates;
    const std::string bytes = vb::Encode(module, 1252);
    const run::ModuleOutcome outcome = run::ProcessModule(bytes, request);
    const bool tooLong = !outcome.notes.empty() && outcome.notes.front().kind == run::LineNote::Kind::ModuleTooLong;
    if (!outcome.changed) {
        Check(outcome.bytes == bytes && (output == module || outcome.holdsNul || tooLong));
        return;
    }
    Check(outcome.bytes == vb::Encode(output + Text(vb::DetectLineBreak(module)), 1252));
}

// The fast scans, over the text and over its bytes, give what the plain
// scan gives, or fail as it fails.
void CheckFastScansAgree(const Text& module, const Text& begin, const Text& end) {
    const scan::FixedTemplates templates(scan::HandlerTemplates{begin, end});
    const std::string bytes = vb::Encode(module, 1252);
    for (const scan::ScanMode mode : {scan::ScanMode::Insert, scan::ScanMode::Recognize, scan::ScanMode::Remove,
                                      scan::ScanMode::Locate}) {
        scan::ScanOptions options;
        options.mode = mode;
        options.optOutComments = true;
        options.keepLines = mode == scan::ScanMode::Locate;
        scan::ModuleScan plain;
        try {
            plain = scan::ReferenceScan(module, templates, options);
        } catch (const vb::VbError&) {
            bool failed = false;
            try {
                scan::ScanModuleBytes(bytes, 1252, templates, options);
            } catch (const vb::VbError&) {
                failed = true;
            }
            Check(failed);
            continue;
        }
        Check(testing_support::ScanDifference(scan::ScanModule(module, templates, options), plain).empty());
        Check(testing_support::ScanDifference(scan::ScanModuleBytes(bytes, 1252, templates, options), plain).empty());
    }
}

// Every kernel of the line classifier gives the lines the scalar one gives.
void CheckKernelsAgree(const Text& module) {
    using Kernel = scan::LineClassifier<char>::Kernel;
    const std::string bytes = vb::Encode(module, 1252);
    const vb::TextView lineBreak = vb::DetectLineBreak(module);
    const scan::Units<char> units(1252);
    auto classify = [&](Kernel kernel) {
        scan::LineClassifier<char> classifier(bytes, lineBreak, units, kernel);
        scan::ClassifiedLines lines;
        while (classifier.AppendBatch(lines)) {
        }
        return lines;
    };
    const scan::ClassifiedLines plain = classify(Kernel::Scalar);
    for (const Kernel kernel : {Kernel::Narrow, Kernel::Wide, Kernel::Widest}) Check(classify(kernel) == plain);
}

// number, then unnumber with the same options, gives the module back, and
// a second number adds nothing. A procedure that had numbers before is
// left out: numbers just like those number gives cannot be told apart.
void CheckNumberingRoundTrip(const Text& module, const Text& begin, const Text& end) {
    const scan::FixedTemplates templates(scan::HandlerTemplates{begin, end});
    const std::string original = vb::Encode(module, 1252);
    for (const bool perModule : {false, true}) {
        run::ModuleRequest request;
        request.operation = run::Operation::Number;
        request.templates = &templates;
        request.numbering = scan::NumberingOptions{1, 1, perModule};
        run::ModuleOutcome numbered;
        try {
            numbered = run::ProcessModule(original, request);
        } catch (const vb::VbError&) {
            return;
        }
        if (!numbered.notes.empty()) return;
        request.operation = run::Operation::Unnumber;
        const run::ModuleOutcome unnumbered = run::ProcessModule(numbered.bytes, request);
        Check(unnumbered.bytes == original && unnumbered.counts.linesNumbered == numbered.counts.linesNumbered);
        request.operation = run::Operation::Number;
        Check(run::ProcessModule(numbered.bytes, request).counts.linesNumbered == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const Text module = vb::Decode(TakePart(rest), 1252);
    const Text begin = vb::Decode(TakePart(rest), 1252);
    const Text end = vb::Decode(rest, 1252);

    clsVBParser parser;
    parser.CodeInput(module);
    try {
        parser.AddErrorHandler(begin, end);
    } catch (const vb::VbError& error) {
        // The only failure: a header with an empty begin template.
        Check(error.Number() == 5 && begin.empty());
        Check(parser.CodeOutput().empty());
        return 0;
    }
    // Nothing is ever removed, and without insertions the text comes back exactly.
    Check(parser.CodeOutput().size() >= module.size());
    if (parser.ProcedureCount() == 0 && end.empty()) Check(parser.CodeOutput() == module);
    Check(parser.CodeInput() == module);
    CheckByteScanAgrees(module, begin, end, parser.CodeOutput());
    CheckFastScansAgree(module, begin, end);
    CheckKernelsAgree(module);
    CheckNumberingRoundTrip(module, begin, end);
    CheckRoundTrip(module, begin, end);
    return 0;
}
