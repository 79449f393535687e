// Module placeholder values.
#include "commands/ModuleContext.h"

#include "vb_runtime/Strings.h"

namespace run {

namespace {

// Takes `word` (letter case ignored) after any blanks; false when it is not there.
bool Take(vb::TextView& line, vb::TextView word) {
    while (!line.empty() && (line.front() == u' ' || line.front() == u'\t')) line.remove_prefix(1);
    if (line.size() < word.size() || !vb::EqualsNoCase(line.substr(0, word.size()), word)) return false;
    line.remove_prefix(word.size());
    return true;
}

}  // namespace

Text VbNameAttribute(vb::TextView text, vb::TextView lineBreak) {
    size_t from = 0;
    while (from <= text.size()) {
        const size_t end = std::min(text.find(lineBreak, from), text.size());
        vb::TextView line = text.substr(from, end - from);
        from = end + lineBreak.size();
        if (!Take(line, u"Attribute") || !Take(line, u"VB_Name") || !Take(line, u"=")) continue;
        Text value = vb::Trim(line);
        if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') value = value.substr(1, value.size() - 2);
        return value;
    }
    return Text();
}

scan::ModuleValues ModuleValuesOf(vb::TextView text, vb::TextView lineBreak, const ModuleContext& context) {
    scan::ModuleValues values;
    values.moduleName = VbNameAttribute(text, lineBreak);
    if (values.moduleName.empty()) values.moduleName = context.objectName;
    if (values.moduleName.empty()) values.moduleName = context.fileName.substr(0, context.fileName.rfind(u'.'));
    values.fileName = context.fileName;
    values.projectName = context.projectName;
    return values;
}

}  // namespace run
