// Line-break detection and conversion.
#include "vb_runtime/LineBreak.h"

#include "vb_runtime/Strings.h"

namespace vb {

TextView DetectLineBreak(TextView text) {
    size_t crLf = 0;
    size_t loneLf = 0;
    for (size_t at = text.find(u'\n'); at != TextView::npos; at = text.find(u'\n', at + 1)) {
        if (at > 0 && text[at - 1] == u'\r') {
            ++crLf;
        } else {
            ++loneLf;
        }
    }
    return loneLf > crLf ? Lf : CrLf;
}

Text TemplateForLineBreak(TextView templateText, TextView lineBreak) {
    if (lineBreak == CrLf) return Text(templateText);
    return Replace(templateText, CrLf, lineBreak, BinaryCompare);
}

Text LoneLfToCrLf(TextView text) {
    Text converted;
    converted.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) converted += u'\r';
        converted += text[i];
    }
    return converted;
}

}  // namespace vb
