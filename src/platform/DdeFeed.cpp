#include "platform/DdeFeed.h"

#include "platform/win32/DdeClient.h"

DdeFeed::DdeFeed() = default;
DdeFeed::~DdeFeed() = default;

void DdeFeed::Open() {
    if (!m_Client) m_Client = std::make_unique<QuillanDde::DdeClient>();
}

void DdeFeed::Close() { m_Client.reset(); }

std::optional<QString> DdeFeed::Request(int ItemNumber) {
    Open();
    if (!m_Client->Ready()) return std::nullopt;
    const QuillanDde::Reply reply =
        m_Client->Request(QuillanDde::GetRightService, QuillanDde::DownloadInfoTopic,
                          std::to_string(ItemNumber), QuillanDde::RequestTimeoutMs);
    if (!reply.Ok) return std::nullopt;
    // CF_TEXT is in the ANSI code page, which is Qt's local 8-bit encoding on Windows.
    return QString::fromLocal8Bit(reply.Text);
}
