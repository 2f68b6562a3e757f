#pragma once

#include <string>

// A DDEML client for GetRight's "DownloadInfo" feed, Win32 only and free of Qt, so that the
// window on Windows and the Wine bridge helper share it.
namespace QuillanDde {

inline constexpr const char* GetRightService = "GetRight";
inline constexpr const char* DownloadInfoTopic = "DownloadInfo";
// A silent GetRight must not hold the window for long.
inline constexpr unsigned RequestTimeoutMs = 1000;

struct Reply {
    bool Ok = false;
    std::string Text;  // CF_TEXT in the ANSI code page, up to its first NUL
    std::string Error; // why it failed, for the bridge's error line
};

class DdeClient {
public:
    // Registers a client-only DDEML instance on the calling thread.
    DdeClient();
    ~DdeClient();
    DdeClient(const DdeClient&) = delete;
    DdeClient& operator=(const DdeClient&) = delete;

    bool Ready() const { return m_Instance != 0; }
    unsigned InitError() const { return m_InitError; }

    // One conversation for this one item: connect, request CF_TEXT, disconnect.
    Reply Request(const std::string& service, const std::string& topic, const std::string& item,
                  unsigned timeoutMs);

private:
    unsigned long m_Instance = 0;
    unsigned m_InitError = 0;
};

} // namespace QuillanDde
