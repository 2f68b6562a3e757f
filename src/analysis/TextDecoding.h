#pragma once

#include <QtGlobal>

// Decoding of log bytes into UTF-16. Each function writes at most `size` units, as neither
// form ever needs more units than it has bytes.

// Returns the number of units written, or -1 when the bytes are not valid UTF-8.
qsizetype DecodeUtf8Strict(const char* data, qsizetype size, char16_t* out);

// Windows-1252 as Windows decodes it: the five bytes the code page leaves unassigned become
// the C1 controls of the same value, so distinct bytes stay distinct.
qsizetype DecodeWindows1252(const char* data, qsizetype size, char16_t* out);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool IsValidUtf8(const char* data, qsizetype size);
