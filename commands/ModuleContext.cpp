// Module placeholder values.
#include "commands/ModuleContext.h"

#include <algorithm>
#include <string>
#include <utility>

#include "vb_runtime/Strings.h"

namespace run {

namespace {

// Takes `word` (letter case ignored) after any blanks; false when it is not there.
template <typename Unit>
bool Take(scan::UnitView<Unit>& line, std::string_view word) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (!scan::StartsWithNoCase(line, word)) return false;
    line.remove_prefix(word.size());
    return true;
}

}  // namespace

template <typename Unit>
Text VbNameAttribute(scan::UnitView<Unit> text, vb::TextView lineBreak, const scan::Units<Unit>& decode) {
    const std::basic_string<Unit> separator(lineBreak.begin(), lineBreak.end());
    size_t from = 0;
    while (from <= text.size()) {
        const size_t end = std::min(text.find(separator, from), text.size());
        scan::UnitView<Unit> line = text.substr(from, end - from);
        from = end + separator.size();
        if (!Take(line, "attribute") || !Take(line, "vb_name") || !Take(line, "=")) continue;
        Text value = vb::Trim(decode(line));
        if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') value = value.substr(1, value.size() - 2);
        return value;
    }
    return Text();
}

template Text VbNameAttribute<char16_t>(vb::TextView, vb::TextView, const scan::Units<char16_t>&);
template Text VbNameAttribute<char>(std::string_view, vb::TextView, const scan::Units<char>&);

scan::ModuleValues ModuleValuesOf(Text vbName, const ModuleContext& context) {
    scan::ModuleValues values;
    values.moduleName = std::move(vbName);
    if (values.moduleName.empty()) values.moduleName = context.objectName;
    if (values.moduleName.empty()) values.moduleName = context.fileName.substr(0, context.fileName.rfind(u'.'));
    values.fileName = context.fileName;
    values.projectName = context.projectName;
    return values;
}

}  // namespace run
