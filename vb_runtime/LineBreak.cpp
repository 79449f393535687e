// Line-break detection and conversion.
#include "vb_runtime/LineBreak.h"

#include <algorithm>
#include <cstdint>

#include "vb_runtime/Strings.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vb {

namespace {

// The decision from the counts: CR LF unless lone LFs outnumber CR LFs.
TextView Decide(size_t lf, size_t crLf) {
    const size_t loneLf = lf - crLf;
    return loneLf > crLf ? Lf : CrLf;
}

#if defined(__SSE2__)
// The sum of the eight 16-bit lanes.
size_t SumOfLanes(__m128i lanes) {
    alignas(16) uint16_t values[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(values), lanes);
    size_t sum = 0;
    for (uint16_t value : values) sum += value;
    return sum;
}
#endif

}  // namespace

TextView DetectLineBreak(TextView text) {
    size_t crLf = 0;
    size_t lf = 0;
    size_t i = 0;
#if defined(__SSE2__)
    // Eight units at a time: each lane counts the LFs, and the LFs after a
    // CR, that pass through it, until its 16 bits could overflow.
    while (i + 8 <= text.size()) {
        __m128i lfs = _mm_setzero_si128();
        __m128i crLfs = _mm_setzero_si128();
        for (size_t blocks = 0; blocks < 0x7FFF && i + 8 <= text.size(); ++blocks, i += 8) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
            const __m128i before = i > 0 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i - 1))
                                         : _mm_slli_si128(units, 2);
            const __m128i isLf = _mm_cmpeq_epi16(units, _mm_set1_epi16(u'\n'));
            lfs = _mm_sub_epi16(lfs, isLf);
            crLfs = _mm_sub_epi16(crLfs, _mm_and_si128(isLf, _mm_cmpeq_epi16(before, _mm_set1_epi16(u'\r'))));
        }
        lf += SumOfLanes(lfs);
        crLf += SumOfLanes(crLfs);
    }
#endif
    for (; i < text.size(); ++i) {
        if (text[i] == u'\n') {
            ++lf;
            if (i > 0 && text[i - 1] == u'\r') ++crLf;
        }
    }
    return Decide(lf, crLf);
}

namespace {

#if defined(__GNUC__) && defined(__x86_64__)
// Counts the LFs, and the LFs after a CR, of bytes [i, end) 64 at a time,
// where the processor compares 64 bytes into a mask; the byte before each
// is there to load. Returns where it stopped.
__attribute__((target("avx512f,avx512bw,popcnt"))) size_t CountLineFeedsWidest(std::string_view bytes, size_t i,
                                                                                size_t& lf, size_t& crLf) {
    const __m512i lineFeed = _mm512_set1_epi8('\n');
    const __m512i carriageReturn = _mm512_set1_epi8('\r');
    for (; i + 64 <= bytes.size(); i += 64) {
        const uint64_t lineFeeds = _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(bytes.data() + i), lineFeed);
        const uint64_t afterCr = _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(bytes.data() + i - 1), carriageReturn);
        lf += static_cast<size_t>(__builtin_popcountll(lineFeeds));
        crLf += static_cast<size_t>(__builtin_popcountll(lineFeeds & afterCr));
    }
    return i;
}

bool ProcessorComparesSixtyFourBytes() {
    static const bool has = __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0;
    return has;
}
#endif

}  // namespace

TextView DetectLineBreak(std::string_view bytes) {
    size_t crLf = 0;
    size_t lf = 0;
    // The first byte has none before it; from the second on, the byte
    // before each is always there to load.
    size_t i = bytes.empty() ? 0 : 1;
    if (i == 1 && bytes[0] == '\n') ++lf;
#if defined(__GNUC__) && defined(__x86_64__)
    if (ProcessorComparesSixtyFourBytes()) i = CountLineFeedsWidest(bytes, i, lf, crLf);
#endif
#if defined(__SSE2__)
    // Sixteen bytes at a time, four blocks per step: each byte lane counts
    // the LFs, and the LFs after a CR, that pass through it, for at most
    // 255 blocks before it could overflow.
    auto countBlock = [&bytes](size_t at, __m128i& lfs, __m128i& crLfs) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at - 1));
        const __m128i isLf = _mm_cmpeq_epi8(units, _mm_set1_epi8('\n'));
        lfs = _mm_sub_epi8(lfs, isLf);
        crLfs = _mm_sub_epi8(crLfs, _mm_and_si128(isLf, _mm_cmpeq_epi8(before, _mm_set1_epi8('\r'))));
    };
    constexpr size_t kBlocksPerRound = 252;  // a multiple of four below 256
    while (i + 16 <= bytes.size()) {
        __m128i lfs = _mm_setzero_si128();
        __m128i crLfs = _mm_setzero_si128();
        const size_t roundEnd = i + 16 * std::min(kBlocksPerRound, (bytes.size() - i) / 16);
        for (; i + 64 <= roundEnd; i += 64) {
            countBlock(i, lfs, crLfs);
            countBlock(i + 16, lfs, crLfs);
            countBlock(i + 32, lfs, crLfs);
            countBlock(i + 48, lfs, crLfs);
        }
        for (; i < roundEnd; i += 16) countBlock(i, lfs, crLfs);
        // Byte lanes summed into two 64-bit halves.
        lf += SumOfLanes(_mm_sad_epu8(lfs, _mm_setzero_si128()));
        crLf += SumOfLanes(_mm_sad_epu8(crLfs, _mm_setzero_si128()));
    }
#endif
    for (; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++lf;
            if (bytes[i - 1] == '\r') ++crLf;
        }
    }
    return Decide(lf, crLf);
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
