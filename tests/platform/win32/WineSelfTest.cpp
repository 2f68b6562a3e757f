// wine-selftest.exe: checks the Win32 pieces against Wine's own DDEML and registry.
//
//   wine-selftest.exe registry PATH   the settings reader; PATH was stored beforehand as the
//                                     REG_SZ value LogFile under HKCU\Software\QuillanTest
//   wine-selftest.exe dde REPLY...    the DDE client against a fake GetRight serving REPLY...
//
// Prints one line per check and exits with the number of failed checks.
#include "platform/win32/DdeClient.h"
#include "platform/win32/RegistryWin.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

namespace {

int g_Failures = 0;
constexpr std::uint32_t CurrentUser = 0x80000001u;
const char* const TestKey = "Software\\QuillanTest\\";

std::string ToAnsi(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out.c_str();
}

void Check(const char* name, bool ok, const std::string& detail = {}) {
    std::printf("%s %s%s%s\n", ok ? "PASS" : "FAIL", name, detail.empty() ? "" : ": ",
                detail.c_str());
    if (!ok) ++g_Failures;
}

std::string Shown(const std::optional<std::string>& value) {
    return value ? "\"" + *value + "\"" : "nothing";
}

void CheckRead(const char* name, const char* valueName, const std::optional<std::string>& want,
               const char* key = TestKey) {
    const std::optional<std::string> got = ReadRegSzA(CurrentUser, key, valueName);
    Check(name, got == want, "got " + Shown(got) + ", want " + Shown(want));
}

void SetValue(HKEY key, const char* name, DWORD type, const std::string& bytes) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   DWORD(bytes.size()));
}

int Registry(const std::string& storedPath) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, TestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        Check("create test key", false);
        return g_Failures;
    }
    SetValue(key, "Expand", REG_EXPAND_SZ, std::string("%TEMP%\\getright.log\0", 21));
    SetValue(key, "Spaces", REG_SZ, std::string("   \0", 4));
    SetValue(key, "NoNul", REG_SZ, "C:\\x.log");
    SetValue(key, "Inner", REG_SZ, std::string("C:\\a.log\0junk\0", 14));
    SetValue(key, "Number", REG_DWORD, std::string("\1\0\0\0", 4));
    RegCloseKey(key);

    CheckRead("REG_SZ path from reg add", "LogFile", storedPath);
    CheckRead("REG_EXPAND_SZ gives nothing", "Expand", std::nullopt);
    CheckRead("REG_DWORD gives nothing", "Number", std::nullopt);
    CheckRead("spaces come back unchanged", "Spaces", std::string("   "));
    CheckRead("value without its NUL", "NoNul", std::string("C:\\x.log"));
    CheckRead("text ends at the first NUL", "Inner", std::string("C:\\a.log"));
    CheckRead("missing value gives nothing", "Missing", std::nullopt);
    CheckRead("missing key gives nothing", "LogFile", std::nullopt,
              "Software\\QuillanTest\\Missing\\");
    return g_Failures;
}

int Dde(int count, wchar_t** replies) {
    QuillanDde::DdeClient client;
    Check("client initialised", client.Ready(), std::to_string(client.InitError()));
    for (int i = 0; i < count; ++i) {
        const std::string item = std::to_string(i + 1);
        const QuillanDde::Reply reply =
            client.Request("GetRight", "DownloadInfo", item, QuillanDde::RequestTimeoutMs);
        const std::string want = ToAnsi(replies[i]);
        Check(("item " + item).c_str(), reply.Ok && reply.Text == want,
              reply.Ok ? "got \"" + reply.Text + "\"" : reply.Error);
    }
    const QuillanDde::Reply beyond =
        client.Request("GetRight", "DownloadInfo", std::to_string(count + 1), 1000);
    Check("item past the last fails", !beyond.Ok, beyond.Error);
    const QuillanDde::Reply otherTopic = client.Request("GetRight", "Other", "1", 1000);
    Check("another topic is refused", !otherTopic.Ok && otherTopic.Error.rfind("connect", 0) == 0,
          otherTopic.Error);
    const QuillanDde::Reply noServer = client.Request("NotGetRight", "DownloadInfo", "1", 1000);
    Check("no server: connect fails", !noServer.Ok && noServer.Error.rfind("connect", 0) == 0,
          noServer.Error);
    return g_Failures;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && std::wcscmp(argv[1], L"registry") == 0) return Registry(ToAnsi(argv[2]));
    if (argc >= 2 && std::wcscmp(argv[1], L"dde") == 0) return Dde(argc - 2, argv + 2);
    std::puts("usage: wine-selftest.exe registry PATH | dde REPLY...");
    return 100;
}
