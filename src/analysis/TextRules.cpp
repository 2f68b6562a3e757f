#include "analysis/TextRules.h"

#include "records/modErrorHandling.h"

#include <QtAlgorithms>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <iterator>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

template <class View> View Trimmed(View text) {
    const auto* units = UnitsOf(text);
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && units[begin] == ' ')
        ++begin;
    while (end > begin && units[end - 1] == ' ')
        --end;
    return text.sliced(begin, end - begin);
}

template <class Unit> std::optional<qint64> WholeNumber(const Unit* text, qsizetype size) {
    if (size == 0) return std::nullopt;
    bool negative = false;
    qsizetype i = 0;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == size) return std::nullopt;
    qint64 value = 0;
    for (; i < size; ++i) {
        const auto c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// An ASCII needle widened on the stack, for the text form of the search.
class WideNeedle {
public:
    explicit WideNeedle(QLatin1StringView needle) : m_Size(std::min<qsizetype>(needle.size(), 64)) {
        Q_ASSERT(needle.size() <= 64);
        for (qsizetype i = 0; i < m_Size; ++i)
            m_Units[i] = char16_t(static_cast<unsigned char>(needle.data()[i]));
    }
    QStringView View() const { return QStringView(m_Units, m_Size); }

private:
    char16_t m_Units[64];
    qsizetype m_Size;
};

} // namespace

QStringView TrimBlanks(QStringView text) { return Trimmed(text); }
QByteArrayView TrimBlanks(QByteArrayView text) { return Trimmed(text); }

bool StartsWithAscii(QStringView text, QLatin1StringView prefix) {
    if (text.size() < prefix.size()) return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (text[i].unicode() != static_cast<unsigned char>(prefix.data()[i])) return false;
    return true;
}

qsizetype FindAscii(QStringView text, QLatin1StringView needle, qsizetype from) {
    return FindAscii(text, WideNeedle(needle).View(), from);
}

qsizetype FindAscii(QByteArrayView text, QLatin1StringView needle, qsizetype from) {
    if (from < 0) from = 0;
    const qsizetype n = needle.size();
    if (n == 0) return from <= text.size() ? from : -1;
    const char* t = text.data();
    const char* p = needle.data();
    const qsizetype last = text.size() - n; // last start that fits
    if (from > last) return -1;
    if (n == 1) {
        const void* hit = std::memchr(t + from, p[0], size_t(last - from + 1));
        return hit ? static_cast<const char*>(hit) - t : -1;
    }
    // The needles are a few bytes long: compared in place.
    const auto restMatches = [&](qsizetype at) {
        for (qsizetype j = 2; j < n; ++j)
            if (t[at + j] != p[j]) return false;
        return true;
    };
    qsizetype i = from;
#ifdef __SSE2__
    // Sixteen starts at a time: those where the needle's first two bytes both match.
    const __m128i first = _mm_set1_epi8(p[0]), second = _mm_set1_epi8(p[1]);
    for (; i + 16 <= last + 1; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i + 1));
        unsigned mask = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second))));
        for (; mask; mask &= mask - 1) {
            const qsizetype at = i + qCountTrailingZeroBits(mask);
            if (restMatches(at)) return at;
        }
    }
#endif
    for (; i <= last; ++i)
        if (t[i] == p[0] && t[i + 1] == p[1] && restMatches(i)) return i;
    return -1;
}

qsizetype FindAscii(QStringView text, QStringView needle, qsizetype from) {
    if (from < 0) from = 0;
    const qsizetype n = needle.size();
    if (n == 0) return from <= text.size() ? from : -1;
    const char16_t* t = text.utf16();
    const char16_t* p = needle.utf16();
    const char16_t first = p[0];
    const qsizetype last = text.size() - n; // last start that fits
    qsizetype i = from;
#ifdef __SSE2__
    // Skip eight characters at a time while none of them is the needle's first.
    const __m128i wanted = _mm_set1_epi16(short(first));
    while (i + 8 <= last + 1) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(chunk, wanted))) break;
        i += 8;
    }
#endif
    for (; i <= last; ++i) {
        if (t[i] != first) continue;
        qsizetype j = 1;
        while (j < n && t[i + j] == p[j])
            ++j;
        if (j == n) return i;
    }
    return -1;
}

std::optional<qint64> ReadWholeNumber(QStringView text) {
    text = TrimBlanks(text);
    return WholeNumber(text.utf16(), text.size());
}

std::optional<qint64> ReadWholeNumber(QByteArrayView text) {
    text = TrimBlanks(text);
    return WholeNumber(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

qint32 RoundHalfEvenToInt32(double value) {
    // The default floating-point rounding mode rounds halves to even.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= double(std::numeric_limits<qint32>::min()) &&
          rounded <= double(std::numeric_limits<qint32>::max())))
        RaiseRuntime(ErrorNumbers::Overflow, u"Quillan"_s, u"Overflow"_s);
    return qint32(rounded);
}

qint32 CheckedAdd(qint32 a, qint64 b) {
    const qint64 sum = qint64(a) + b;
    if (sum < std::numeric_limits<qint32>::min() || sum > std::numeric_limits<qint32>::max())
        RaiseRuntime(ErrorNumbers::Overflow, u"Quillan"_s, u"Overflow"_s);
    return qint32(sum);
}

QString FormatGrouped(qint64 value, const QString& separator, bool emptyForZero) {
    if (value == 0 && emptyForZero) return QString();
    return GroupedNumber(value, separator).View().toString();
}

GroupedNumber::GroupedNumber(qint64 value, QStringView separator) {
    // Work on the magnitude as unsigned so that the smallest value has one too.
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    char digits[24];
    const qsizetype count = std::to_chars(digits, std::end(digits), magnitude).ptr - digits;
    const qsizetype first = count % 3 == 0 ? 3 : count % 3;
    const auto write = [&](auto&& put) {
        if (value < 0) put(QStringView(u"-"));
        put(QLatin1StringView(digits, first));
        for (qsizetype i = first; i < count; i += 3) {
            put(separator);
            put(QLatin1StringView(digits + i, 3));
        }
    };
    if (separator.size() > LongestSeparator) {
        write([this](auto part) { m_Long.append(part); });
        return;
    }
    write([this](auto part) {
        for (qsizetype i = 0; i < part.size(); ++i)
            m_Units[m_Size++] = part[i].unicode();
    });
}
