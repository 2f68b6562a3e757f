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
constexpr quint64 Highs = 0x8080808080808080ull;

// A key hashes as a stream of bytes: each character case-folded, ASCII as its one byte and
// any other in UTF-8 (a lone surrogate as its three bytes). The stream is the same whether
// the key comes as UTF-16 or as Latin-1, and ASCII, nearly every key, goes eight bytes to a
// step.
class FoldedMixer {
public:
    bool Empty() const { return m_Count == 0; }
    void MixEight(quint64 eight) {
        m_Hash = (m_Hash ^ eight) * Multiplier;
        m_Hash ^= m_Hash >> 29;
    }
    void Byte(unsigned char byte) {
        m_Pending |= quint64(byte) << (8 * m_Count);
        if (++m_Count == 8) {
            MixEight(m_Pending);
            m_Pending = 0;
            m_Count = 0;
        }
    }
    void Folded(char32_t c) {
        if (c < 0x80) {
            Byte(static_cast<unsigned char>(c));
        } else if (c < 0x800) {
            Byte(static_cast<unsigned char>(0xC0 | (c >> 6)));
            Byte(static_cast<unsigned char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            Byte(static_cast<unsigned char>(0xE0 | (c >> 12)));
            Byte(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
            Byte(static_cast<unsigned char>(0x80 | (c & 0x3F)));
        } else {
            Byte(static_cast<unsigned char>(0xF0 | (c >> 18)));
            Byte(static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F)));
            Byte(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
            Byte(static_cast<unsigned char>(0x80 | (c & 0x3F)));
        }
    }
    // Up to seven bytes at once, as Byte would take them one by one; the mixer is empty.
    void Partial(quint64 bytes, int count) {
        m_Pending = bytes;
        m_Count = count;
    }
    size_t Finish() {
        if (m_Count > 0) MixEight(m_Pending ^ (quint64(m_Count) << 59));
        return size_t(m_Hash ^ (m_Hash >> 32));
    }

private:
    quint64 m_Hash = Multiplier;
    quint64 m_Pending = 0;
    int m_Count = 0;
};

// The first count (below eight) bytes at p, in the low bytes.
quint64 FewBytes(const unsigned char* p, qsizetype count) {
    quint64 bytes = 0;
    for (qsizetype i = 0; i < count; ++i)
        bytes |= quint64(p[i]) << (8 * i);
    return bytes;
}

// Eight UTF-16 units at p as eight bytes, when all are ASCII.
std::optional<quint64> NarrowEight(const char16_t* p) {
#ifdef __SSE2__
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(short(0xFF80))),
                                          _mm_setzero_si128())) != 0xFFFF)
        return std::nullopt;
    return quint64(_mm_cvtsi128_si64(_mm_packus_epi16(units, units)));
#else
    quint64 bytes = 0;
    for (int i = 0; i < 8; ++i) {
        if (p[i] >= 0x80) return std::nullopt;
        bytes |= quint64(p[i]) << (8 * i);
    }
    return bytes;
#endif
}

} // namespace

size_t CaseInsensitiveHash(QStringView key) noexcept {
    const char16_t* p = key.utf16();
    const char16_t* end = p + key.size();
    FoldedMixer mixer;
    while (p < end) {
        if (mixer.Empty() && end - p >= 8) {
            if (const auto eight = NarrowEight(p)) {
                mixer.MixEight(AsciiLowerBytes(*eight));
                p += 8;
                continue;
            }
        }
        char32_t c = *p++;
        if (c < 0x80) {
            mixer.Byte(static_cast<unsigned char>(AsciiLower(char16_t(c))));
            continue;
        }
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p))
            c = QChar::surrogateToUcs4(char16_t(c), *p++);
        mixer.Folded(QChar::toCaseFolded(c));
    }
    return mixer.Finish();
}

size_t CaseInsensitiveHash(QLatin1StringView key) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(key.data());
    const unsigned char* end = p + key.size();
    FoldedMixer mixer;
    // The run of whole ASCII steps most keys are, and their last few bytes, on a path of
    // their own; the last few are read at once, from the key's last eight where it has them.
    for (quint64 eight; end - p >= 8; p += 8) {
        std::memcpy(&eight, p, 8);
        if (eight & Highs) break;
        mixer.MixEight(AsciiLowerBytes(eight));
    }
    if (const qsizetype rest = end - p; rest > 0 && rest < 8) {
        quint64 tail;
        if (key.size() >= 8) {
            std::memcpy(&tail, end - 8, 8);
            tail >>= 8 * (8 - rest);
        } else {
            tail = FewBytes(p, rest);
        }
        if (!(tail & Highs)) {
            mixer.Partial(AsciiLowerBytes(tail), int(rest));
            return mixer.Finish();
        }
    }
    while (p < end) {
        if (mixer.Empty()) {
            if (end - p >= 8) {
                quint64 eight;
                std::memcpy(&eight, p, 8);
                if (!(eight & Highs)) {
                    mixer.MixEight(AsciiLowerBytes(eight));
                    p += 8;
                    continue;
                }
            } else if (const quint64 tail = FewBytes(p, end - p); !(tail & Highs)) {
                mixer.Partial(AsciiLowerBytes(tail), int(end - p));
                break;
            }
        }
        const unsigned char c = *p++;
        if (c < 0x80)
            mixer.Byte(static_cast<unsigned char>(AsciiLower(c)));
        else // Latin-1 letters fold within the first plane.
            mixer.Folded(QChar::toCaseFolded(char32_t(c)));
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
        if (a.isEmpty() || std::memcmp(a.data(), b.data(), size_t(a.size())) == 0) return true;
        if (const auto quick = AsciiFoldEqual(Units(a), Units(b), a.size())) return *quick;
    }
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool CaseInsensitiveEqual(QStringView a, QStringView b) noexcept {
    if (a.size() == b.size()) {
        // Keys are most often looked up in the case they were filed in. (An empty key may
        // have no data at all.)
        if (a.isEmpty() ||
            std::memcmp(a.utf16(), b.utf16(), size_t(a.size()) * sizeof(char16_t)) == 0)
            return true;
        if (const auto quick = AsciiFoldEqual(a.utf16(), b.utf16(), a.size())) return *quick;
    }
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
