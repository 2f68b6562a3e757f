#pragma once

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A throw-away Wine prefix with the null graphics driver, so that DDE works without an X
// server. Made once per test program and taken down (wineserver -k, then the folder) when
// the rig goes, pass or fail.
class WinePrefixRig {
public:
    // Why the Wine tests cannot run here, or nothing when they can.
    static QString Missing(std::initializer_list<const char*> exes) {
        for (const char* tool : {"wine", "wineboot", "wineserver"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                return QStringLiteral("%1 is not on PATH").arg(QString::fromLatin1(tool));
        for (const char* exe : exes)
            if (!QFileInfo(QString::fromLocal8Bit(exe)).isFile())
                return QStringLiteral("mingw-w64 helpers not built (QUILLAN_WINE_BRIDGE off)");
        return {};
    }
    // CI sets QUILLAN_WINE_REQUIRED: there, a missing Wine is a failure, not a skip.
    static bool Required() { return qEnvironmentVariableIsSet("QUILLAN_WINE_REQUIRED"); }

    ~WinePrefixRig() {
        if (!m_Prefix.isEmpty()) Run(u"wineserver"_s, {u"-k"_s}, 30000);
    }

    bool Create() {
        if (!m_Root.isValid()) return false;
        m_Prefix = m_Root.filePath(u"prefix"_s);
        m_Environment = QProcessEnvironment::systemEnvironment();
        m_Environment.insert(u"WINEPREFIX"_s, m_Prefix);
        m_Environment.insert(u"WINEDEBUG"_s, u"-all"_s);
        m_Environment.insert(u"WINEDLLOVERRIDES"_s, u"mscoree,mshtml="_s);
        m_Environment.remove(u"DISPLAY"_s);
        // The desktop process reads the driver when it starts, so the server is restarted
        // after the setting; kept persistent, so that every wine start below is quick.
        return Run(u"wineboot"_s, {u"-i"_s}, 180000) &&
               Wine({u"reg"_s, u"add"_s, u"HKCU\\Software\\Wine\\Drivers"_s, u"/v"_s, u"Graphics"_s,
                     u"/d"_s, u"null"_s, u"/f"_s}) &&
               Run(u"wineserver"_s, {u"-k"_s}, 30000) && Run(u"wineserver"_s, {u"-w"_s}, 30000) &&
               Run(u"wineserver"_s, {u"-p30"_s}, 30000);
    }

    bool Wine(const QStringList& arguments, QByteArray* output = nullptr, int timeoutMs = 60000) {
        return Run(u"wine"_s, arguments, timeoutMs, output);
    }

    bool Run(const QString& program, const QStringList& arguments, int timeoutMs,
             QByteArray* output = nullptr, int* exitCode = nullptr) {
        QProcess process;
        process.setProcessEnvironment(m_Environment);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(program, arguments);
        const bool finished = process.waitForFinished(timeoutMs);
        if (!finished) process.kill();
        process.waitForFinished(5000);
        if (output) *output = process.readAllStandardOutput();
        if (exitCode) *exitCode = process.exitCode();
        return finished && process.exitStatus() == QProcess::NormalExit &&
               (exitCode || process.exitCode() == 0);
    }

    const QString& Prefix() const { return m_Prefix; }
    const QProcessEnvironment& Environment() const { return m_Environment; }

private:
    QTemporaryDir m_Root;
    QString m_Prefix;
    QProcessEnvironment m_Environment;
};

#define QUILLAN_REQUIRE_WINE(...)                                                                  \
    do {                                                                                           \
        const QString missing = WinePrefixRig::Missing({__VA_ARGS__});                             \
        if (!missing.isEmpty()) {                                                                  \
            if (WinePrefixRig::Required()) QFAIL(qPrintable(missing));                             \
            QSKIP(qPrintable(u"Wine tests skipped: "_s + missing));                                \
        }                                                                                          \
    } while (false)
