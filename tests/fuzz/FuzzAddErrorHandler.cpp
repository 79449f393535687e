// Fuzz target: any bytes as CodeInput and as both templates.
// The input is cut at the first two 0xFF bytes into module, begin template
// and end template, each decoded in Windows-1252.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "source_transformation/clsVBParser.h"
#include "vb_runtime/CodePage.h"
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
        // The only failure: a header with a begin template too short to cut.
        Check(error.Number() == 5 && begin.size() < 2);
        Check(parser.CodeOutput().empty());
        return 0;
    }
    // Nothing is ever removed, and without insertions the text comes back exactly.
    Check(parser.CodeOutput().size() >= module.size());
    if (parser.ProcedureCount() == 0 && end.empty()) Check(parser.CodeOutput() == module);
    Check(parser.CodeInput() == module);
    return 0;
}
