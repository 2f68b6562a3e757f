#include "records/KeyIndex.h"

#include "base/AsciiCase.h"

#include <QChar>

#include <cstring>

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

bool CaseInsensitiveEqual(QStringView a, QStringView b) noexcept {
    if (a.size() == b.size()) {
        // Keys are most often looked up in the case they were filed in.
        if (std::memcmp(a.utf16(), b.utf16(), size_t(a.size()) * sizeof(char16_t)) == 0)
            return true;
        const char16_t* p = a.utf16();
        const char16_t* q = b.utf16();
        qsizetype i = 0;
        for (; i < a.size(); ++i) {
            const char16_t x = p[i], y = q[i];
            if (x == y) continue;
            if ((x | y) >= 0x80) break; // leave non-ASCII to the full comparison
            if (AsciiLower(x) != AsciiLower(y)) return false;
        }
        if (i == a.size()) return true;
    }
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
