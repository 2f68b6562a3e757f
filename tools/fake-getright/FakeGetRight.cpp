// fake-getright.exe: a DDE server that stands in for GetRight in the tests.
//
//   fake-getright.exe [--hang ITEM | --silent] [--limit SECONDS] REPLY...
//
// Registers the service "GetRight" with the topic "DownloadInfo" and answers item "1" with
// the first REPLY, "2" with the second and so on; any other item fails. With --hang, the
// request for ITEM stalls the server for a minute, as a GetRight that stopped answering.
// With --silent the server registers and then stops reading its messages altogether, as a
// GetRight that is alive but busy elsewhere.
// Says "READY" on standard output once registered, and ends when standard input closes or
// after the time limit (60 seconds unless given).
#include <windows.h>

#include <ddeml.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

DWORD g_Instance = 0;
HSZ g_Service = nullptr;
HSZ g_Topic = nullptr;
std::vector<std::string> g_Replies;
long g_HangItem = 0;
bool g_Silent = false;

std::string ToAnsi(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(std::strlen(out.c_str()));
    return out;
}

HDDEDATA CALLBACK Serve(UINT type, UINT format, HCONV, HSZ topic, HSZ item, HDDEDATA, ULONG_PTR,
                        ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(
            static_cast<ULONG_PTR>(DdeCmpStringHandles(topic, g_Topic) == 0));
    case XTYP_REQUEST: {
        if (format != CF_TEXT || DdeCmpStringHandles(topic, g_Topic) != 0) return nullptr;
        char name[32] = {};
        DdeQueryStringA(g_Instance, item, name, sizeof name, CP_WINANSI);
        char* end = nullptr;
        const long number = std::strtol(name, &end, 10);
        if (*name == '\0' || *end != '\0') return nullptr;
        if (number == g_HangItem) Sleep(60000);
        if (number < 1 || size_t(number) > g_Replies.size()) return nullptr;
        const std::string& reply = g_Replies[size_t(number - 1)];
        return DdeCreateDataHandle(g_Instance,
                                   reinterpret_cast<LPBYTE>(const_cast<char*>(reply.c_str())),
                                   DWORD(reply.size() + 1), 0, item, CF_TEXT, 0);
    }
    default:
        return nullptr;
    }
}

DWORD WINAPI WatchInput(LPVOID mainThread) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
    }
    PostThreadMessageA(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(mainThread)), WM_QUIT, 0, 0);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    unsigned limitSeconds = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--hang") == 0 && i + 1 < argc)
            g_HangItem = std::wcstol(argv[++i], nullptr, 10);
        else if (std::wcscmp(argv[i], L"--silent") == 0)
            g_Silent = true;
        else if (std::wcscmp(argv[i], L"--limit") == 0 && i + 1 < argc)
            limitSeconds = unsigned(std::wcstoul(argv[++i], nullptr, 10));
        else
            g_Replies.push_back(ToAnsi(argv[i]));
    }

    if (DdeInitializeA(&g_Instance, Serve,
                       APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_FAIL_POKES |
                           CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR) {
        std::puts("ERR init");
        return 1;
    }
    g_Service = DdeCreateStringHandleA(g_Instance, "GetRight", CP_WINANSI);
    g_Topic = DdeCreateStringHandleA(g_Instance, "DownloadInfo", CP_WINANSI);
    if (!DdeNameService(g_Instance, g_Service, nullptr, DNS_REGISTER)) {
        std::puts("ERR register");
        return 1;
    }

    // A thread message queue must exist before the input watcher can post to it.
    MSG message;
    PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    CreateThread(nullptr, 0, WatchInput,
                 reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(GetCurrentThreadId())), 0,
                 nullptr);
    SetTimer(nullptr, 0, limitSeconds * 1000, nullptr);
    std::puts("READY");
    std::fflush(stdout);
    if (g_Silent) Sleep(limitSeconds * 1000);

    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    DdeNameService(g_Instance, g_Service, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(g_Instance, g_Service);
    DdeFreeStringHandle(g_Instance, g_Topic);
    DdeUninitialize(g_Instance);
    return 0;
}
