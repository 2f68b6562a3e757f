#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// Letter case of ASCII alone. Everything else passes unchanged, so a caller that may meet
// other letters tests IsAscii first and leaves the rest to Qt's or the locale's mapping.

constexpr char16_t AsciiLower(char16_t c) noexcept {
    return c >= u'A' && c <= u'Z' ? char16_t(c + 0x20) : c;
}

constexpr char16_t AsciiUpper(char16_t c) noexcept {
    return c >= u'a' && c <= u'z' ? char16_t(c - 0x20) : c;
}

inline bool IsAscii(QStringView text) noexcept {
    for (const QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

// Four ASCII UTF-16 units packed in 64 bits, lower-cased at once.
constexpr quint64 AsciiLowerLanes(quint64 lanes) noexcept {
    const quint64 high = 0x0080008000800080ull;
    const quint64 aboveA = lanes + (0x0080 - 0x41) * 0x0001000100010001ull;
    const quint64 aboveZ = lanes + (0x0080 - 0x5B) * 0x0001000100010001ull;
    const quint64 upper = (aboveA & ~aboveZ) & high;
    return lanes | (upper >> 2); // 0x80 >> 2 == 0x20
}

// Equal but for the case of ASCII letters; other characters must match exactly.
bool AsciiEqualIgnoringCase(QStringView a, QStringView b) noexcept;

// ASCII letters mapped directly; anything else is left to the caller's general mapping.
// Returns false (and leaves out untouched) when text holds a non-ASCII character.
bool AsciiToUpper(QStringView text, QString& out);
bool AsciiToLower(QStringView text, QString& out);
