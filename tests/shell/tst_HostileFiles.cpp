#include "WindowRig.h"

#include "controls/ControlsTestSupport.h"
#include "platform/Files.h"

#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTreeView>

using namespace Qt::StringLiterals;
using ShellRig::Window;

// Logs that change, vanish or sit where the window cannot write, as a user meets them.
class tst_HostileFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(u"en_US"_s));
        QuietGrabWarnings();
    }

    // The monitor reads the log's stamp on one tick; before the next, the log is deleted
    // and a folder made in its place. The change shows; re-reading it fails quietly and
    // gives the window back; a log put back loads again.
    void logReplacedByAFolderBetweenTicks() {
        const QString log = TestSupport::WriteFile(dir, u"swap.log"_s, TestSupport::SampleBytes());
        Window w;
        w.Browse(log);
        auto* box = w.Get<QCheckBox>(u"chkMonitor"_s);
        auto* changed = w.Get(u"lblLogChanged"_s);
        box->setChecked(true);
        w.W->Timer1_Timer();
        QVERIFY(changed->isHidden());

        QVERIFY(QFile::remove(log));
        QVERIFY(QDir().mkdir(log));
        w.W->Timer1_Timer();
        QVERIFY(!changed->isHidden());
        QVERIFY(box->isChecked());

        w.Fakes.Boxes->Shown.clear();
        w.Click(u"cmdReRead"_s);
        QVERIFY(w.Fakes.Boxes->Shown.isEmpty());
        QCOMPARE(w.W->Analysis().LogLines().UpperBound(), 0);
        QCOMPARE(w.W->Tree().Count(), 0);
        QVERIFY(!w.Bar()->isVisible());
        QVERIFY(w.Button(u"cmdReRead"_s)->isVisible() && w.Button(u"cmdExit"_s)->isVisible());
        QVERIFY(box->isEnabled() && box->isChecked());
        w.W->Timer1_Timer(); // ticks on without a log to compare
        QVERIFY(w.W->MonitorClockRunning());

        QVERIFY(QDir().rmdir(log));
        TestSupport::WriteFile(dir, u"swap.log"_s, TestSupport::SampleBytes());
        w.Browse(log);
        QCOMPARE(w.Stat(0), u"30"_s);
        QVERIFY(changed->isHidden());
    }

    // A read-only log in a read-only folder with a name in three scripts, through every
    // command. Nothing in the folder or the home folder changes.
    void readOnlyNonAsciiLogIsNeverWritten() {
        const QString home = dir.filePath(u"home"_s);
        QVERIFY(QDir().mkpath(home));
        qputenv("HOME", QFile::encodeName(home));
        for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            qputenv(xdg, QFile::encodeName(home + u"/."_s + QString::fromLatin1(xdg)));

        const QString folder = dir.filePath(u"Загрузки ü 日本"_s);
        QVERIFY(QDir().mkpath(folder));
        // The download's path is in the log as GetRight writes it: UTF-8 here, the ANSI
        // code page on Windows. No code page holds three scripts, so there the download
        // sits beside the folder, under a name the code page holds.
        const bool ansi = PlatformFiles::LogsInSystemCodePage();
        const QString target = TestSupport::WriteFile(
            dir, ansi ? u"€ café.mp3"_s : u"Загрузки ü 日本/€ 日本.mp3"_s, "ID3");
        const QByteArray targetInLog = ansi ? QByteArray(QStringEncoder(QStringEncoder::System)(
                                                  QDir::toNativeSeparators(target)))
                                            : QDir::toNativeSeparators(target).toUtf8();
        QCOMPARE(QString(QStringDecoder(ansi ? QStringDecoder::System
                                             : QStringDecoder::Utf8)(targetInLog)),
                 QDir::toNativeSeparators(target));
        const QString log = TestSupport::WriteFile(dir, u"Загрузки ü 日本/журнал €.log"_s,
                                                   TestSupport::SampleBytes() +
                                                       "01/01/02 10:00:00 - File: " + targetInLog +
                                                       "=http://h/%E2%82%AC.mp3\r\n");
        const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(log, readOnly));
        QVERIFY(QFile::setPermissions(folder, readOnly | QFileDevice::ExeOwner));
        auto restore = qScopeGuard([&] {
            QFile::setPermissions(folder,
                                  readOnly | QFileDevice::ExeOwner | QFileDevice::WriteOwner);
        });
        const QStringList before = TestSupport::Snapshot(dir.path());

        Window w(log);
        w.Click(u"cmdOpenDefault"_s);
        QCOMPARE(w.Stat(0), u"31"_s);
        w.Get<QCheckBox>(u"chkMonitor"_s)->setChecked(true);
        w.W->Timer1_Timer();
        QVERIFY(w.Get(u"lblLogChanged"_s)->isHidden());
        for (const char* order : {"cmdByDate", "cmdByName", "cmdByURL", "cmdByLocal", "cmdNoSort"})
            w.Click(QString::fromLatin1(order));
        // Found by a word of its name; "Execute" on its local path opens that file.
        const QString shownPath = u"Local Path: "_s + QDir::toNativeSeparators(target);
        w.Get<QLineEdit>(u"txtSearch"_s)->setText(shownPath);
        w.Click(u"cmdSearch"_s);
        QCOMPARE(w.W->Tree().Text(w.W->Tree().Selected()).toString(), shownPath);
        w.Click(u"cmdPlay"_s);
        QCOMPARE(w.Fakes.Opens->Targets.size(), 1);
        QCOMPARE(w.Fakes.Opens->Targets[0].Address, QDir::toNativeSeparators(target));
        QVERIFY(w.Fakes.Opens->Targets[0].IsLocalFile);
        w.Click(u"cmdReRead"_s);
        QCOMPARE(w.Stat(0), u"31"_s);
        w.W->close();

        QCOMPARE(TestSupport::Snapshot(dir.path()), before);
    }
};

QTEST_MAIN(tst_HostileFiles)
#include "tst_HostileFiles.moc"
