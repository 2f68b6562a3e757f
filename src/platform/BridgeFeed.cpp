#include "platform/BridgeFeed.h"

#include "platform/BridgeProtocol.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

BridgeFeed::BridgeFeed(Locator locate, BridgeDeadlines deadlines)
    : m_Locate(std::move(locate)), m_Deadlines(deadlines) {}

BridgeFeed::~BridgeFeed() { Close(); }

bool BridgeFeed::Running() const { return m_Process && m_Process->state() != QProcess::NotRunning; }

void BridgeFeed::Open() {
    if (!Running()) Start();
}

bool BridgeFeed::Start() {
    Kill();
    const std::optional<BridgeCommand> command = m_Locate ? m_Locate() : std::nullopt;
    if (!command) return false;
    m_Process = std::make_unique<QProcess>();
    m_Process->setProcessEnvironment(command->Environment);
    // Wine's own chatter must never reach the protocol.
    m_Process->setProcessChannelMode(QProcess::SeparateChannels);
    m_Process->setStandardErrorFile(QProcess::nullDevice());
    m_Process->start(command->Program, command->Arguments, QIODevice::ReadWrite);
    m_ReadyBy = QDeadlineTimer(m_Deadlines.ReadyMs);
    m_Ready = false;
    return true;
}

void BridgeFeed::Kill() {
    if (!m_Process) return;
    if (m_Process->state() != QProcess::NotRunning) {
        m_Process->kill();
        m_Process->waitForFinished(1000);
    }
    m_Process.reset();
    m_Ready = false;
}

void BridgeFeed::Close() {
    if (!m_Process) return;
    // End of input asks the helper to leave; one that does not is killed.
    if (m_Process->state() == QProcess::Running) {
        m_Process->closeWriteChannel();
        m_Process->waitForFinished(300);
    }
    Kill();
}

std::optional<QByteArray> BridgeFeed::ReadLine(const QDeadlineTimer& deadline) {
    while (!m_Process->canReadLine()) {
        if (m_Process->state() == QProcess::NotRunning || deadline.hasExpired())
            return std::nullopt;
        m_Process->waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    QByteArray line = m_Process->readLine();
    line.chop(1);
    return line;
}

bool BridgeFeed::WaitForReady(const QDeadlineTimer& deadline) {
    while (!m_Ready) {
        const QDeadlineTimer wait = std::min(deadline, m_ReadyBy);
        const std::optional<QByteArray> line = ReadLine(wait);
        if (!line) {
            // Still starting and within its allowance: this request fails, the next waits on.
            if (m_Process->state() != QProcess::NotRunning && !m_ReadyBy.hasExpired()) return false;
            Kill();
            return false;
        }
        if (BridgeProtocol::IsReady(*line))
            m_Ready = true;
        else if (BridgeProtocol::ParseAnswer(*line).What == BridgeProtocol::Answer::Kind::Failure) {
            // The helper could not set up DDE and is leaving.
            Kill();
            return false;
        }
    }
    return true;
}

std::optional<QString> BridgeFeed::Request(int ItemNumber) {
    if (!Running() && !Start()) return std::nullopt;
    const QDeadlineTimer deadline(m_Deadlines.RequestMs);
    if (!WaitForReady(deadline)) return std::nullopt;
    m_Process->write(BridgeProtocol::RequestLine(ItemNumber));
    const std::optional<QByteArray> line = ReadLine(deadline);
    if (!line) {
        // A late answer would be taken for the next item's: this helper is done.
        Kill();
        return std::nullopt;
    }
    const BridgeProtocol::Answer answer = BridgeProtocol::ParseAnswer(*line);
    switch (answer.What) {
    case BridgeProtocol::Answer::Kind::Reply:
        return answer.Text;
    case BridgeProtocol::Answer::Kind::Failure:
        return std::nullopt;
    case BridgeProtocol::Answer::Kind::Malformed:
        break;
    }
    Kill();
    return std::nullopt;
}

QString BridgeFeed::WinePrefix(const QProcessEnvironment& environment) {
    const QString given = environment.value(u"WINEPREFIX"_s);
    if (!given.isEmpty()) return given;
    return QDir(environment.value(u"HOME"_s, QDir::homePath())).filePath(u".wine"_s);
}

std::optional<BridgeCommand> BridgeFeed::WineCommand(const QProcessEnvironment& environment,
                                                     const QString& bridgeExe) {
    if (bridgeExe.isEmpty() || !QFileInfo(bridgeExe).isFile()) return std::nullopt;
    const QString prefix = WinePrefix(environment);
    // Wine would make a fresh prefix on first use; GetRight cannot be running in one.
    if (!QFileInfo(QDir(prefix).filePath(u"system.reg"_s)).isFile()) return std::nullopt;
    const QStringList path = environment.value(u"PATH"_s).split(u':', Qt::SkipEmptyParts);
    const QString wine = QStandardPaths::findExecutable(u"wine"_s, path);
    if (wine.isEmpty()) return std::nullopt;
    BridgeCommand command;
    command.Program = wine;
    command.Arguments = {bridgeExe};
    command.Environment = environment;
    command.Environment.insert(u"WINEPREFIX"_s, prefix);
    if (!command.Environment.contains(u"WINEDEBUG"_s))
        command.Environment.insert(u"WINEDEBUG"_s, u"-all"_s);
    return command;
}
