// The byte tests shared by the XML fast paths: where a plain text may start,
// and where a plain run of text or of a quoted value ends.
#pragma once

#include <cstddef>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel {

// True when a plain text may start with this byte: not with an entity, nor
// with white space, which may be layout that the general path judges.
inline bool CanStartPlainText(uint8_t c) { return c != '&' && c != ' ' && c != '\t' && c != '\n' && c != '\r'; }

// The first p in [from, end) whose byte ends a plain run ("<", "&", line
// feed, and quote unless it is 0), or end. Sixteen bytes are compared at a
// time while sixteen remain; the rest go byte by byte.
inline size_t PlainRunEnd(const uint8_t* data, size_t from, size_t end, uint8_t quote) {
    size_t p = from;
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<'), amp = _mm_set1_epi8('&'), lf = _mm_set1_epi8('\n');
    // Without a quote, "<" stands in for it.
    const __m128i q = _mm_set1_epi8(static_cast<char>(quote != 0 ? quote : '<'));
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, amp)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, q)));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (mask != 0) return p + static_cast<size_t>(__builtin_ctz(mask));
    }
#endif
    for (; p < end; ++p) {
        const uint8_t c = data[p];
        if (c == '<' || c == '&' || c == '\n' || (quote != 0 && c == quote)) break;
    }
    return p;
}

}  // namespace korvel
