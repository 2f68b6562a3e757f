#include "analysis/TextRules.h"

#include "records/modErrorHandling.h"

#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <limits>

using namespace Qt::StringLiterals;

QStringView TrimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
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
    if (text.isEmpty()) return std::nullopt;
    bool negative = false;
    qsizetype i = 0;
    if (text[0] == u'+' || text[0] == u'-') {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i == text.size()) return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10) return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return negative ? -value : value;
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
    if (value == 0) return emptyForZero ? QString() : u"0"_s;
    const bool negative = value < 0;
    // Work on the magnitude as unsigned so that the smallest value has one too.
    quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    const QString digits = QString::number(magnitude);
    QString out;
    out.reserve(digits.size() + digits.size() / 3 * separator.size() + 1);
    if (negative) out.append(u'-');
    const qsizetype first = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    out.append(QStringView(digits).first(first));
    for (qsizetype i = first; i < digits.size(); i += 3) {
        out.append(separator);
        out.append(QStringView(digits).sliced(i, 3));
    }
    return out;
}
