// Line-break detection and conversion.
#include "vb_runtime/LineBreak.h"

#include <cstring>

#include "vb_runtime/Strings.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vb {

TextView DetectLineBreak(TextView text) {
    size_t crLf = 0;
    size_t lf = 0;
    auto count = [&](size_t at) {
        ++lf;
        if (at > 0 && text[at - 1] == u'\r') ++crLf;
    };
    size_t i = 0;
#if defined(__SSE2__)
    // Eight units at a time; most blocks hold no LF at all.
    const __m128i wanted = _mm_set1_epi16(u'\n');
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, wanted))); mask != 0;
             mask &= mask - 1, mask &= mask - 1) {
            count(i + static_cast<size_t>(__builtin_ctz(mask)) / 2);
        }
    }
#endif
    for (; i < text.size(); ++i) {
        if (text[i] == u'\n') count(i);
    }
    const size_t loneLf = lf - crLf;
    return loneLf > crLf ? Lf : CrLf;
}

TextView DetectLineBreak(std::string_view bytes) {
    size_t crLf = 0;
    size_t lf = 0;
    for (const char* at = bytes.data(); (at = static_cast<const char*>(std::memchr(at, '\n', bytes.data() + bytes.size() - at))) != nullptr; ++at) {
        ++lf;
        if (at > bytes.data() && at[-1] == '\r') ++crLf;
    }
    const size_t loneLf = lf - crLf;
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
