#include "TestSupport.h"
#include "cli/Report.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// The long options a text names: "--stats" in help, "\-\-stats" in a manual page.
QSet<QString> LongOptions(QString text) {
    text.replace(u"\\-"_s, u"-"_s);
    QSet<QString> options;
    static const QRegularExpression option(u"(?<![\\w-])--[a-z][a-z-]*[a-z]"_s);
    for (auto it = option.globalMatch(text); it.hasNext();)
        options.insert(it.next().captured());
    return options;
}

QString ManPage(const QString& name) {
    QFile page(SourceDir() + u"/packaging/"_s + name);
    if (!page.open(QIODevice::ReadOnly)) qFatal("no manual page %s", qPrintable(name));
    return QString::fromUtf8(page.readAll());
}

} // namespace

// The manual pages name exactly the options --help names, so that neither falls behind.
class tst_ManPages : public QObject {
    Q_OBJECT

private slots:
    void reportToolPage() {
        const QSet<QString> help = LongOptions(ReportUsage());
        QVERIFY(help.contains(u"--html"_s));
        QVERIFY(help.contains(u"--version"_s));
        QCOMPARE(LongOptions(ManPage(u"quillan-report.1"_s)), help);
    }

    // The window answers --help and --version with no display at all.
    void windowPage() {
        const QString window = QStringLiteral(QUILLAN_WINDOW_EXE);
        if (window.isEmpty()) QSKIP("built without the window");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        QProcess quillan;
        quillan.setProcessEnvironment(environment);
        quillan.start(window, {u"--help"_s});
        QVERIFY(quillan.waitForFinished(30000));
        QCOMPARE(quillan.exitCode(), 0);
        const QString help = QString::fromLocal8Bit(quillan.readAllStandardOutput());
        QVERIFY2(help.startsWith(u"Usage: quillan [options] [LOG]"_s), qPrintable(help));
        QCOMPARE(LongOptions(ManPage(u"quillan.1"_s)), LongOptions(help));

        quillan.start(window, {u"--version"_s});
        QVERIFY(quillan.waitForFinished(30000));
        QCOMPARE(quillan.exitCode(), 0);
        QVERIFY(quillan.readAllStandardOutput().startsWith("quillan "));
    }
};

QTEST_APPLESS_MAIN(tst_ManPages)
#include "tst_ManPages.moc"
