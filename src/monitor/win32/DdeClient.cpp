#include "monitor/win32/DdeClient.h"

#include <windows.h>

#include <ddeml.h>

#include <vector>

namespace QuillanDde {
namespace {

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

class StringHandle {
public:
    StringHandle(DWORD instance, const std::string& text)
        : m_Instance(instance),
          m_Handle(DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI)) {}
    ~StringHandle() {
        if (m_Handle)
            DdeFreeStringHandle(m_Instance, m_Handle);
    }
    StringHandle(const StringHandle&) = delete;
    StringHandle& operator=(const StringHandle&) = delete;
    HSZ Get() const { return m_Handle; }

private:
    DWORD m_Instance;
    HSZ m_Handle;
};

class Conversation {
public:
    Conversation(DWORD instance, HSZ service, HSZ topic)
        : m_Handle(DdeConnect(instance, service, topic, nullptr)) {}
    ~Conversation() {
        if (m_Handle)
            DdeDisconnect(m_Handle);
    }
    Conversation(const Conversation&) = delete;
    Conversation& operator=(const Conversation&) = delete;
    HCONV Get() const { return m_Handle; }

private:
    HCONV m_Handle;
};

class DataHandle {
public:
    explicit DataHandle(HDDEDATA handle) : m_Handle(handle) {}
    ~DataHandle() {
        if (m_Handle)
            DdeFreeDataHandle(m_Handle);
    }
    DataHandle(const DataHandle&) = delete;
    DataHandle& operator=(const DataHandle&) = delete;
    HDDEDATA Get() const { return m_Handle; }

private:
    HDDEDATA m_Handle;
};

std::string ErrorText(DWORD instance, const char* step) {
    const UINT code = DdeGetLastError(instance);
    const char* name = "unknown";
    switch (code) {
    case DMLERR_NO_ERROR: name = "none"; break;
    case DMLERR_NO_CONV_ESTABLISHED: name = "no-conversation"; break;
    case DMLERR_DATAACKTIMEOUT:
    case DMLERR_EXECACKTIMEOUT:
    case DMLERR_POKEACKTIMEOUT: name = "timeout"; break;
    case DMLERR_NOTPROCESSED: name = "not-processed"; break;
    case DMLERR_BUSY: name = "busy"; break;
    case DMLERR_SERVER_DIED: name = "server-died"; break;
    case DMLERR_MEMORY_ERROR: name = "memory"; break;
    case DMLERR_INVALIDPARAMETER: name = "invalid-parameter"; break;
    default: break;
    }
    return std::string(step) + ' ' + name + " (" + std::to_string(code) + ')';
}

} // namespace

DdeClient::DdeClient() {
    DWORD instance = 0;
    m_InitError = DdeInitializeA(&instance, ClientCallback, APPCMD_CLIENTONLY, 0);
    if (m_InitError == DMLERR_NO_ERROR)
        m_Instance = instance;
}

DdeClient::~DdeClient() {
    if (m_Instance)
        DdeUninitialize(m_Instance);
}

Reply DdeClient::Request(const std::string& service, const std::string& topic,
                         const std::string& item, unsigned timeoutMs) {
    Reply reply;
    const DWORD instance = m_Instance;
    if (!instance) {
        reply.Error = "init " + std::to_string(m_InitError);
        return reply;
    }
    const StringHandle serviceName(instance, service);
    const StringHandle topicName(instance, topic);
    const StringHandle itemName(instance, item);
    if (!serviceName.Get() || !topicName.Get() || !itemName.Get()) {
        reply.Error = ErrorText(instance, "names");
        return reply;
    }
    const Conversation conversation(instance, serviceName.Get(), topicName.Get());
    if (!conversation.Get()) {
        reply.Error = ErrorText(instance, "connect");
        return reply;
    }
    DWORD result = 0;
    const DataHandle data(DdeClientTransaction(nullptr, 0, conversation.Get(), itemName.Get(),
                                               CF_TEXT, XTYP_REQUEST, timeoutMs, &result));
    if (!data.Get()) {
        reply.Error = ErrorText(instance, "request");
        return reply;
    }
    const DWORD size = DdeGetData(data.Get(), nullptr, 0, 0);
    std::vector<char> bytes(size);
    if (size > 0)
        DdeGetData(data.Get(), reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
    std::string text(bytes.data(), bytes.size());
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    reply.Ok = true;
    reply.Text = std::move(text);
    return reply;
}

} // namespace QuillanDde
