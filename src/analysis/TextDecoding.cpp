#include "analysis/TextDecoding.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// The first byte at or after p that is not ASCII (or end), looking sixteen or eight at a time.
inline const unsigned char* SkipAscii(const unsigned char* p, const unsigned char* end) {
#ifdef __SSE2__
    while (end - p >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(chunk)) return p;
        p += 16;
    }
#endif
    while (end - p >= 8) {
        quint64 chunk;
        std::memcpy(&chunk, p, 8);
        if (chunk & 0x8080808080808080ull) return p;
        p += 8;
    }
    return p;
}

// Reads one multi-byte sequence at p (p[0] >= 0x80). Returns its length, or 0 when it is
// not well-formed UTF-8 (overlong, a surrogate, past U+10FFFF, cut short).
inline int ReadSequence(const unsigned char* p, const unsigned char* end, char32_t& cp) {
    const unsigned c = *p;
    int extra;
    char32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
        cp = c & 0x1F, extra = 1, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        cp = c & 0x0F, extra = 2, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        cp = c & 0x07, extra = 3, min = 0x10000;
    } else {
        return 0;
    }
    if (end - p <= extra) return 0;
    for (int i = 1; i <= extra; ++i) {
        const unsigned cc = p[i];
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return extra + 1;
}

} // namespace

qsizetype DecodeUtf8Strict(const char* data, qsizetype size, char16_t* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const unsigned char* end = p + size;
    char16_t* o = out;
    while (p < end) {
        // Runs of ASCII are widened sixteen bytes at a time where possible.
#ifdef __SSE2__
        while (end - p >= 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (_mm_movemask_epi8(chunk)) break;
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(chunk, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(chunk, zero));
            o += 16;
            p += 16;
        }
#endif
        if (p >= end) break;
        if (*p < 0x80) {
            *o++ = char16_t(*p++);
            continue;
        }
        char32_t cp;
        const int length = ReadSequence(p, end, cp);
        if (length == 0) return -1;
        p += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *o++ = char16_t(0xD800 + (cp >> 10));
            *o++ = char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            *o++ = char16_t(cp);
        }
    }
    return o - out;
}

qsizetype DecodeWindows1252(const char* data, qsizetype size, char16_t* out) {
    static constexpr char16_t High[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned c = p[i];
        out[i] = (c >= 0x80 && c < 0xA0) ? High[c - 0x80] : char16_t(c);
    }
    return size;
}

bool IsValidUtf8(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const unsigned char* end = p + size;
    while ((p = SkipAscii(p, end)) < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        char32_t cp;
        const int length = ReadSequence(p, end, cp);
        if (length == 0) return false;
        p += length;
    }
    return true;
}
