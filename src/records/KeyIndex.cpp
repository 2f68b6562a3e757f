#include "records/KeyIndex.h"

#include "base/AsciiCase.h"

#include <QChar>

#include <cstring>
#include <optional>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr quint64 Multiplier = 0x9E3779B97F4A7C15ull;

// Feeds case-folded UTF-16 units into the hash four at a time, so that the ASCII fast path
// and the general path mix exactly the same stream.
class FoldedMixer {
public:
    FoldedMixer() = default;
    bool Empty() const { return m_Count == 0; }
    void MixLanes(quint64 lanes) {
        m_Hash = (m_Hash ^ lanes) * Multiplier;
        m_Hash ^= m_Hash >> 29;
    }
    void Unit(char16_t unit) {
        m_Pending |= quint64(unit) << (16 * m_Count);
        if (++m_Count == 4) {
            MixLanes(m_Pending);
            m_Pending = 0;
            m_Count = 0;
        }
    }
    // Up to three units at once, as Unit would take them one by one; the mixer is empty.
    void Partial(quint64 lanes, int count) {
        m_Pending = lanes;
        m_Count = count;
    }
    size_t Finish() {
        if (m_Count > 0) MixLanes(m_Pending ^ (quint64(m_Count) << 62));
        return size_t(m_Hash ^ (m_Hash >> 32));
    }

private:
    quint64 m_Hash = Multiplier;
    quint64 m_Pending = 0;
    int m_Count = 0;
};

} // namespace

size_t CaseInsensitiveHash(QStringView key) noexcept {
    const char16_t* p = key.utf16();
    const char16_t* end = p + key.size();
    FoldedMixer mixer;
    while (p < end) {
        if (mixer.Empty() && end - p >= 4) {
            quint64 lanes;
            std::memcpy(&lanes, p, 8);
            if (!(lanes & 0xFF80FF80FF80FF80ull)) {
                mixer.MixLanes(AsciiLowerLanes(lanes));
                p += 4;
                continue;
            }
        }
        char32_t c = *p++;
        if (c < 0x80) {
            mixer.Unit(AsciiLower(char16_t(c)));
            continue;
        }
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p))
            c = QChar::surrogateToUcs4(char16_t(c), *p++);
        c = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(c)) {
            mixer.Unit(QChar::highSurrogate(c));
            mixer.Unit(QChar::lowSurrogate(c));
        } else {
            mixer.Unit(char16_t(c));
        }
    }
    return mixer.Finish();
}

namespace {

// Four ASCII bytes widened to four UTF-16 units in 64 bits, as the text form packs them.
inline quint64 WidenFour(quint32 x) {
    return quint64(x & 0xFF) | (quint64(x & 0xFF00) << 8) | (quint64(x & 0xFF0000) << 16) |
           (quint64(x & 0xFF000000) << 24);
}

} // namespace

size_t CaseInsensitiveHash(QLatin1StringView key) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(key.data());
    const unsigned char* end = p + key.size();
    FoldedMixer mixer;
    while (p < end) {
        if (mixer.Empty() && end - p >= 8) {
            quint64 eight;
            std::memcpy(&eight, p, 8);
            if (!(eight & 0x8080808080808080ull)) {
#ifdef __SSE2__
                // Widened and lower-cased eight at a time: A-Z gain 0x20.
                const __m128i units =
                    _mm_unpacklo_epi8(_mm_cvtsi64_si128(qint64(eight)), _mm_setzero_si128());
                const __m128i upper = _mm_and_si128(_mm_cmpgt_epi16(units, _mm_set1_epi16(0x40)),
                                                    _mm_cmplt_epi16(units, _mm_set1_epi16(0x5B)));
                const __m128i lower =
                    _mm_or_si128(units, _mm_and_si128(upper, _mm_set1_epi16(0x20)));
                mixer.MixLanes(quint64(_mm_cvtsi128_si64(lower)));
                mixer.MixLanes(quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(lower, lower))));
#else
                mixer.MixLanes(AsciiLowerLanes(WidenFour(quint32(eight))));
                mixer.MixLanes(AsciiLowerLanes(WidenFour(quint32(eight >> 32))));
#endif
                p += 8;
                continue;
            }
        }
        if (mixer.Empty() && end - p >= 4) {
            quint32 four;
            std::memcpy(&four, p, 4);
            if (!(four & 0x80808080u)) {
                mixer.MixLanes(AsciiLowerLanes(WidenFour(four)));
                p += 4;
                continue;
            }
        }
        if (mixer.Empty() && end - p < 4) {
            quint32 tail = 0;
            for (int i = 0; i < int(end - p); ++i)
                tail |= quint32(p[i]) << (8 * i);
            if (!(tail & 0x80808080u)) {
                mixer.Partial(AsciiLowerLanes(WidenFour(tail)), int(end - p));
                break;
            }
        }
        const char16_t c = *p++;
        // Latin-1 letters fold within the first plane.
        mixer.Unit(c < 0x80 ? AsciiLower(c) : char16_t(QChar::toCaseFolded(char32_t(c))));
    }
    return mixer.Finish();
}

namespace {

// Whether two texts of one size differ at most in ASCII letter case; nothing when a
// non-ASCII unit differs, which only the full comparison can judge.
template <class A, class B>
std::optional<bool> AsciiFoldEqual(const A* p, const B* q, qsizetype size) noexcept {
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t x = p[i], y = q[i];
        if (x == y) continue;
        if ((x | y) >= 0x80) return std::nullopt;
        if (AsciiLower(x) != AsciiLower(y)) return false;
    }
    return true;
}

const unsigned char* Units(QLatin1StringView text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

} // namespace

bool CaseInsensitiveEqual(QStringView a, QLatin1StringView b) noexcept {
    if (a.size() == b.size())
        if (const auto quick = AsciiFoldEqual(a.utf16(), Units(b), a.size())) return *quick;
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool CaseInsensitiveEqual(QLatin1StringView a, QLatin1StringView b) noexcept {
    if (a.size() == b.size()) {
        if (std::memcmp(a.data(), b.data(), size_t(a.size())) == 0) return true;
        if (const auto quick = AsciiFoldEqual(Units(a), Units(b), a.size())) return *quick;
    }
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool CaseInsensitiveEqual(QStringView a, QStringView b) noexcept {
    if (a.size() == b.size()) {
        // Keys are most often looked up in the case they were filed in.
        if (std::memcmp(a.utf16(), b.utf16(), size_t(a.size()) * sizeof(char16_t)) == 0)
            return true;
        if (const auto quick = AsciiFoldEqual(a.utf16(), b.utf16(), a.size())) return *quick;
    }
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
