#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Small text and number rules shared by the loader, the handlers and the views.

// Blanks are the space character only; tabs and other white space are kept.
QStringView TrimBlanks(QStringView text);

// First n characters, or the whole text when it is shorter.
inline QStringView LeftOf(QStringView text, qsizetype n) {
    return n >= text.size() ? text : text.first(n < 0 ? 0 : n);
}
// Text after its first n characters; empty when it is not that long.
inline QStringView After(QStringView text, qsizetype n) {
    return n >= text.size() ? QStringView() : text.sliced(n < 0 ? 0 : n);
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

// An optional sign and ASCII digits, blanks at the ends ignored; nothing else.
std::optional<qint64> ReadWholeNumber(QStringView text);

// Nearest integer, a half to the even neighbour; raises an overflow outside 32 bits.
qint32 RoundHalfEvenToInt32(double value);

// a + b, raising an overflow outside 32 signed bits.
qint32 CheckedAdd(qint32 a, qint64 b);

// Whole number with groups of three digits, no leading zeros; emptyForZero gives ""
// for 0 (the "###,###" pattern), otherwise "0".
QString FormatGrouped(qint64 value, const QString& separator, bool emptyForZero = true);
