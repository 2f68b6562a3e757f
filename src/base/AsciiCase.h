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

// Eight ASCII bytes packed in 64 bits, lower-cased at once: A-Z gain 0x20.
constexpr quint64 AsciiLowerBytes(quint64 bytes) noexcept {
    constexpr quint64 Ones = 0x0101010101010101ull, Highs = 0x8080808080808080ull;
    const quint64 aboveA = bytes + (0x80 - 'A') * Ones;
    const quint64 aboveZ = bytes + (0x80 - 'Z' - 1) * Ones;
    return bytes | ((aboveA & ~aboveZ & Highs) >> 2);
}

// Equal but for the case of ASCII letters; other characters must match exactly.
bool AsciiEqualIgnoringCase(QStringView a, QStringView b) noexcept;

// ASCII letters mapped directly; anything else is left to the caller's general mapping.
// Returns false (and leaves out untouched) when text holds a non-ASCII character.
bool AsciiToUpper(QStringView text, QString& out);
bool AsciiToLower(QStringView text, QString& out);
