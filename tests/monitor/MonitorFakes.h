#pragma once

#include "monitor/DownloadMonitor.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <optional>
#include <vector>

// Answers items 1..n from a list; later items fail.
class ScriptedFeed : public DownloadFeed {
public:
    explicit ScriptedFeed(std::vector<std::optional<QString>> replies = {})
        : Replies(std::move(replies)) {}
    std::optional<QString> Request(int ItemNumber) override {
        Asked.push_back(ItemNumber);
        if (ItemNumber < 1 || size_t(ItemNumber) > Replies.size()) return std::nullopt;
        return Replies[size_t(ItemNumber - 1)];
    }
    void Open() override { ++Opened; }
    void Close() override { ++Closed; }

    std::vector<std::optional<QString>> Replies;
    std::vector<int> Asked;
    int Opened = 0;
    int Closed = 0;
};

class RecordingView : public MonitorView {
public:
    bool MonitorTicked() const override { return Ticked; }
    QString GetrightText() const override { return Getright; }
    void SetGetrightText(const QString& text) override {
        Getright = text;
        ++Writes;
    }
    void SetLastReply(const QString& text) override { LastReply = text; }
    void ShowLogChanged() override { LogChanged = true; }

    bool Ticked = true;
    QString Getright;
    QString LastReply;
    bool LogChanged = false;
    int Writes = 0;
};

// Moves a file's modification time by seconds, as GetRight appending to its log would.
inline bool Touch(const QString& path, int seconds) {
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QFileInfo(path).lastModified().addSecs(seconds),
                            QFileDevice::FileModificationTime);
}
