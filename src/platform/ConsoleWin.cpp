#include "platform/Console.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {
bool IsConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}
} // namespace

Utf8StandardStreams::Utf8StandardStreams() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // A console shows bytes in its output code page; UTF-8 text needs 65001 (CP_UTF8).
    if (IsConsole(STD_OUTPUT_HANDLE) || IsConsole(STD_ERROR_HANDLE)) {
        const UINT current = GetConsoleOutputCP();
        if (current != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) m_ConsoleCodePage = current;
    }
}

Utf8StandardStreams::~Utf8StandardStreams() {
    std::fflush(stdout);
    std::fflush(stderr);
    if (m_ConsoleCodePage != 0) SetConsoleOutputCP(m_ConsoleCodePage);
}
