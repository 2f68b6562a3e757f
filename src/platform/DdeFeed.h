#pragma once

#include "platform/DownloadFeed.h"

#include <memory>

namespace QuillanDde {
class DdeClient;
}

// GetRight's feed through the Windows DDE client, on the window's thread.
class DdeFeed : public DownloadFeed {
public:
    DdeFeed();
    ~DdeFeed() override;
    void Open() override;
    void Close() override;
    std::optional<QString> Request(int ItemNumber) override;

private:
    std::unique_ptr<QuillanDde::DdeClient> m_Client;
};
