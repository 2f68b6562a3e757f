#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <cstring>
#include <optional>

// Small text and number rules shared by the loader, the handlers and the views. Most come
// twice: for text, and for a line's stored bytes, where an ASCII character is one byte and
// no byte of another character is ASCII (UTF-8 and Windows-1252 alike), so that the bytes
// split at an ASCII delimiter exactly where the text does.

// The units of either form, for code that reads both alike.
inline const char16_t* UnitsOf(QStringView text) { return text.utf16(); }
inline const char* UnitsOf(QByteArrayView bytes) { return bytes.data(); }

// Blanks are the space character only; tabs and other white space are kept.
QStringView TrimBlanks(QStringView text);
QByteArrayView TrimBlanks(QByteArrayView text);

// First n characters, or the whole text when it is shorter.
inline QStringView LeftOf(QStringView text, qsizetype n) {
    return n >= text.size() ? text : text.first(n < 0 ? 0 : n);
}
inline QByteArrayView LeftOf(QByteArrayView text, qsizetype n) {
    return n >= text.size() ? text : text.first(n < 0 ? 0 : n);
}
// Text after its first n characters; empty when it is not that long.
inline QStringView After(QStringView text, qsizetype n) {
    return n >= text.size() ? QStringView() : text.sliced(n < 0 ? 0 : n);
}
inline QByteArrayView After(QByteArrayView text, qsizetype n) {
    return n >= text.size() ? QByteArrayView() : text.sliced(n < 0 ? 0 : n);
}

// Exact, case-sensitive prefix test and search; plain loops beat the general string search
// for the short keywords of a log line.
inline bool StartsWithAscii(QStringView text, QStringView prefix) {
    if (text.size() < prefix.size()) return false;
    const char16_t* t = text.utf16();
    const char16_t* p = prefix.utf16();
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (t[i] != p[i]) return false;
    return true;
}
qsizetype FindAscii(QStringView text, QStringView needle, qsizetype from = 0);
// The same with an ASCII needle, in text or in bytes.
bool StartsWithAscii(QStringView text, QLatin1StringView prefix);
// Inline, so that a keyword's length is known where it is compared.
inline bool StartsWithAscii(QByteArrayView text, QLatin1StringView prefix) {
    return text.size() >= prefix.size() &&
           std::memcmp(text.data(), prefix.data(), size_t(prefix.size())) == 0;
}
qsizetype FindAscii(QStringView text, QLatin1StringView needle, qsizetype from = 0);
qsizetype FindAscii(QByteArrayView text, QLatin1StringView needle, qsizetype from = 0);

// Whether the first n bytes (all of them when there are fewer) are ASCII.
inline bool AsciiPrefix(QByteArrayView bytes, qsizetype n) {
    const qsizetype size = n < bytes.size() ? n : bytes.size();
    const char* p = bytes.data();
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 chunk;
        std::memcpy(&chunk, p + i, 8);
        if (chunk & 0x8080808080808080ull) return false;
    }
    for (; i < size; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
    return true;
}

// An optional sign and ASCII digits, blanks at the ends ignored; nothing else.
std::optional<qint64> ReadWholeNumber(QStringView text);
std::optional<qint64> ReadWholeNumber(QByteArrayView text);

// Nearest integer, a half to the even neighbour; raises an overflow outside 32 bits.
qint32 RoundHalfEvenToInt32(double value);

// a + b, raising an overflow outside 32 signed bits.
qint32 CheckedAdd(qint32 a, qint64 b);

// Whole number with groups of three digits, no leading zeros; emptyForZero gives ""
// for 0 (the "###,###" pattern), otherwise "0".
QString FormatGrouped(qint64 value, const QString& separator, bool emptyForZero = true);

// The same text for a value, 0 written "0", held without the heap where the separator
// is of a usual length: a tree build writes one for many of its records.
class GroupedNumber {
public:
    GroupedNumber(qint64 value, QStringView separator);
    QStringView View() const { return m_Long.isNull() ? QStringView(m_Units, m_Size) : m_Long; }

private:
    static constexpr qsizetype LongestSeparator = 12;
    // A sign, 19 digits and 6 separators between their groups.
    char16_t m_Units[20 + 6 * LongestSeparator];
    qsizetype m_Size = 0;
    QString m_Long;
};
