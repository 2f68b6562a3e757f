#pragma once

#include <QtGlobal>

// Decoding of log bytes into UTF-16. Each function writes at most `size` units, as neither
// form ever needs more units than it has bytes.

// Returns the number of units written, or -1 when the bytes are not valid UTF-8.
qsizetype DecodeUtf8Strict(const char* data, qsizetype size, char16_t* out);

// Windows-1252; the five bytes it leaves undefined become U+FFFD.
qsizetype DecodeWindows1252(const char* data, qsizetype size, char16_t* out);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool IsValidUtf8(const char* data, qsizetype size);
