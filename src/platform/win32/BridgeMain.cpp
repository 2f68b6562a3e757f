// quillan-dde-bridge.exe: runs under Wine beside GetRight and answers Quillan's requests for
// DownloadInfo items on standard input and output, one line each.
#include "platform/win32/BridgeEscape.h"
#include "platform/win32/DdeClient.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace {

// CF_TEXT comes in the ANSI code page; Quillan reads UTF-8.
std::string AnsiToUtf8(const std::string& ansi) {
    if (ansi.empty()) return {};
    const int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), nullptr, 0);
    std::wstring text(size_t(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), text.data(), wide);
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, out.data(), bytes, nullptr, nullptr);
    return out;
}

// The decimal text of 1 to 32767, without sign or leading zeros.
bool IsItemNumber(const std::string& item) {
    if (item.empty() || item.size() > 5 || item[0] == '0') return false;
    for (const char c : item)
        if (c < '0' || c > '9') return false;
    return std::stol(item) <= 32767;
}

void Say(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// One line of input without its line end; false at the end of input.
bool ReadLine(std::string& line) {
    line.clear();
    int c;
    while ((c = std::fgetc(stdin)) != EOF) {
        if (c == '\n') return true;
        if (c != '\r' && line.size() < 64) line += char(c);
    }
    return !line.empty();
}

} // namespace

int main() {
    // No CR LF translation either way: the protocol counts bytes.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);

    QuillanDde::DdeClient client;
    if (!client.Ready()) {
        Say("ERR init " + std::to_string(client.InitError()));
        return 1;
    }
    Say("READY quillan-dde-bridge 1");
    std::string item;
    while (ReadLine(item)) {
        if (!IsItemNumber(item)) {
            Say("ERR bad-item");
            continue;
        }
        const QuillanDde::Reply reply =
            client.Request(QuillanDde::GetRightService, QuillanDde::DownloadInfoTopic, item,
                           QuillanDde::RequestTimeoutMs);
        Say(reply.Ok ? "OK " + QuillanDde::EscapeLine(AnsiToUtf8(reply.Text))
                     : "ERR " + reply.Error);
    }
    return 0;
}
