#pragma once

#include "platform/DownloadFeed.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// How to start the bridge helper.
struct BridgeCommand {
    QString Program;
    QStringList Arguments;
    QProcessEnvironment Environment;
};

struct BridgeDeadlines {
    // From the start until the helper says it is ready; a helper past it is killed.
    int ReadyMs = 15000;
    // What one request may wait, for the ready line or for its answer. The helper's own DDE
    // request gives up after a second, so a miss means the helper itself is stuck.
    int RequestMs = 1500;
};

// GetRight's feed through quillan-dde-bridge.exe, kept running between requests. A request
// that misses its deadline kills the helper; the next request starts a fresh one.
class BridgeFeed : public DownloadFeed {
public:
    // locate is asked at every start; nothing means there is no feed to start.
    using Locator = std::function<std::optional<BridgeCommand>()>;
    explicit BridgeFeed(Locator locate, BridgeDeadlines deadlines = {});
    ~BridgeFeed() override;

    void Open() override;
    void Close() override;
    std::optional<QString> Request(int ItemNumber) override;

    bool Running() const;
    bool Ready() const { return m_Ready; }

    // The helper under `wine` from PATH in the user's prefix ($WINEPREFIX, else ~/.wine).
    // Nothing when wine or the helper is missing, or when the prefix has no system.reg: it
    // is not ours to create.
    static std::optional<BridgeCommand> WineCommand(const QProcessEnvironment& environment,
                                                    const QString& bridgeExe);
    static QString WinePrefix(const QProcessEnvironment& environment);

private:
    bool Start();
    void Kill();
    bool WaitForReady(const QDeadlineTimer& deadline);
    std::optional<QByteArray> ReadLine(const QDeadlineTimer& deadline);

    Locator m_Locate;
    BridgeDeadlines m_Deadlines;
    std::unique_ptr<QProcess> m_Process;
    QDeadlineTimer m_ReadyBy;
    bool m_Ready = false;
};

// quillan-dde-bridge.exe next to the program, in the installed helper folder, or in the
// build tree; empty when none is found.
QString FindBridgeExe();
