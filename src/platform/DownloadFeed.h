#pragma once

#include <QString>

#include <optional>

// GetRight's "DownloadInfo" feed: one request per item, a reply text or a failure.
class DownloadFeed {
public:
    virtual ~DownloadFeed() = default;
    // Monitoring was turned on: a feed that needs a helper may start it now.
    virtual void Open() {}
    // Monitoring was turned off or the program ends: let go of whatever Open took.
    virtual void Close() {}
    // The reply to item ItemNumber ("1", "2", ...), or nothing when the request failed.
    virtual std::optional<QString> Request(int ItemNumber) = 0;
};

// A feed that always fails, for platforms with no way to reach GetRight.
class NoDownloadFeed : public DownloadFeed {
public:
    std::optional<QString> Request(int) override { return std::nullopt; }
};
