#include "platform/win32/DdeClient.h"

#include <windows.h>

#include <ddeml.h>

#include <memory>
#include <type_traits>
#include <vector>

namespace QuillanDde {
namespace {

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// The DDEML handles are pointer types, so unique_ptr owns them with the matching release.
struct FreeString {
    DWORD Instance;
    void operator()(HSZ handle) const { DdeFreeStringHandle(Instance, handle); }
};
struct EndConversation {
    void operator()(HCONV handle) const { DdeDisconnect(handle); }
};
struct FreeData {
    void operator()(HDDEDATA handle) const { DdeFreeDataHandle(handle); }
};
using StringHandle = std::unique_ptr<std::remove_pointer_t<HSZ>, FreeString>;
using Conversation = std::unique_ptr<std::remove_pointer_t<HCONV>, EndConversation>;
using DataHandle = std::unique_ptr<std::remove_pointer_t<HDDEDATA>, FreeData>;

StringHandle MakeString(DWORD instance, const std::string& text) {
    return StringHandle(DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI),
                        FreeString{instance});
}

std::string ErrorText(DWORD instance, const char* step) {
    const UINT code = DdeGetLastError(instance);
    const char* name = "unknown";
    switch (code) {
    case DMLERR_NO_ERROR:
        name = "none";
        break;
    case DMLERR_NO_CONV_ESTABLISHED:
        name = "no-conversation";
        break;
    case DMLERR_DATAACKTIMEOUT:
    case DMLERR_EXECACKTIMEOUT:
    case DMLERR_POKEACKTIMEOUT:
        name = "timeout";
        break;
    case DMLERR_NOTPROCESSED:
        name = "not-processed";
        break;
    case DMLERR_BUSY:
        name = "busy";
        break;
    case DMLERR_SERVER_DIED:
        name = "server-died";
        break;
    case DMLERR_MEMORY_ERROR:
        name = "memory";
        break;
    case DMLERR_INVALIDPARAMETER:
        name = "invalid-parameter";
        break;
    default:
        break;
    }
    return std::string(step) + ' ' + name + " (" + std::to_string(code) + ')';
}

} // namespace

DdeClient::DdeClient() {
    DWORD instance = 0;
    m_InitError = DdeInitializeA(&instance, ClientCallback, APPCMD_CLIENTONLY, 0);
    if (m_InitError == DMLERR_NO_ERROR) m_Instance = instance;
}

DdeClient::~DdeClient() {
    if (m_Instance) DdeUninitialize(m_Instance);
}

Reply DdeClient::Request(const std::string& service, const std::string& topic,
                         const std::string& item, unsigned timeoutMs) {
    Reply reply;
    const DWORD instance = m_Instance;
    if (!instance) {
        reply.Error = "init " + std::to_string(m_InitError);
        return reply;
    }
    const StringHandle serviceName = MakeString(instance, service);
    const StringHandle topicName = MakeString(instance, topic);
    const StringHandle itemName = MakeString(instance, item);
    if (!serviceName.get() || !topicName.get() || !itemName.get()) {
        reply.Error = ErrorText(instance, "names");
        return reply;
    }
    const Conversation conversation(
        DdeConnect(instance, serviceName.get(), topicName.get(), nullptr));
    if (!conversation.get()) {
        reply.Error = ErrorText(instance, "connect");
        return reply;
    }
    DWORD result = 0;
    const DataHandle data(DdeClientTransaction(nullptr, 0, conversation.get(), itemName.get(),
                                               CF_TEXT, XTYP_REQUEST, timeoutMs, &result));
    if (!data.get()) {
        reply.Error = ErrorText(instance, "request");
        return reply;
    }
    const DWORD size = DdeGetData(data.get(), nullptr, 0, 0);
    std::vector<char> bytes(size);
    if (size > 0) DdeGetData(data.get(), reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
    std::string text(bytes.data(), bytes.size());
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    reply.Ok = true;
    reply.Text = std::move(text);
    return reply;
}

} // namespace QuillanDde
