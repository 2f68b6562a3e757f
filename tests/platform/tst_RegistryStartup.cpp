#include "shell/ShellFakes.h"

#include "TestSupport.h"
#include "controls/ControlsTestSupport.h"
#include "controls/HotCommand.h"
#include "shell/frmMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// Start-up on Windows reads GetRight's "LogFile" setting from the real registry (Wine's,
// set with its reg.exe as a user would), and "D" opens that log. Only a plain string
// (REG_SZ) is a default; another type, a missing value and a missing key give none.
class tst_RegistryStartup : public QObject {
    Q_OBJECT

    const QString getRightKey = u"HKCU\\Software\\Headlight\\GetRight\\Config"_s;
    QTemporaryDir dir;
    // Where GetRight might keep its log: a space and letters beyond ASCII (all in the ANSI
    // code page, as GetRight's own settings are read with the ANSI calls).
    QString logPath;

    static int Reg(const QStringList& arguments) {
        QProcess reg;
        reg.setProgram(u"reg.exe"_s);
        reg.setArguments(arguments);
        reg.setStandardOutputFile(QProcess::nullDevice());
        reg.setStandardErrorFile(QProcess::nullDevice());
        reg.start();
        if (!reg.waitForFinished(60000)) return -1;
        return reg.exitCode();
    }
    void Forget() { Reg({u"delete"_s, u"HKCU\\Software\\Headlight"_s, u"/f"_s}); }
    void Store(const QString& type, const QString& name, const QString& data) {
        QCOMPARE(Reg({u"add"_s, getRightKey, u"/v"_s, name, u"/t"_s, type, u"/d"_s, data, u"/f"_s}),
                 0);
    }

    // The window as the program starts it, with the real registry and everything that
    // would block (dialogs, message boxes) faked.
    struct Window {
        ShellFakes::Platform Fakes;
        std::unique_ptr<frmMain> W;
        Window() {
            ShellPlatform platform = Fakes.Make();
            platform.Settings = NativeSettingsReader();
            W = std::make_unique<frmMain>(platform);
            W->Form_Load();
            W->show();
        }
        QString FileText() const {
            return qobject_cast<QLineEdit*>(W->Element(u"txtFileName"_s))->text();
        }
        HotCommand* D() const { return qobject_cast<HotCommand*>(W->Element(u"cmdOpenDefault"_s)); }
        QString Stat(int i) const {
            return qobject_cast<QLabel*>(W->Element(u"lblStatTxt(%1)"_s.arg(i)))->text();
        }
    };
    void ExpectNoDefault(const char* what) {
        Window w;
        if (w.FileText() != u"No log loaded..."_s) QFAIL(what);
        QVERIFY2(!w.D()->Enabled(), what);
        QTest::mouseClick(w.D()->picButton(), Qt::LeftButton);
        QVERIFY2(w.W->Analysis().LogFilePath().isEmpty(), what);
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(u"en_US"_s));
        QuietGrabWarnings();
        // Never on a profile where GetRight's settings are real.
        QVERIFY2(Reg({u"query"_s, u"HKCU\\Software\\Headlight"_s}) != 0,
                 "HKCU\\Software\\Headlight exists: run this in a profile without GetRight");
        QVERIFY(QDir(dir.path()).mkpath(u"T\u00e9l\u00e9chargements GetRight"_s));
        logPath = QDir::toNativeSeparators(TestSupport::WriteFile(
            dir, u"T\u00e9l\u00e9chargements GetRight/getright.log"_s, TestSupport::SampleBytes()));
    }
    void cleanup() { Forget(); }

    void aStringValueIsTheLogThatDOpens() {
        Store(u"REG_SZ"_s, u"LogFile"_s, logPath);
        Window w;
        QCOMPARE(w.FileText(), logPath);
        QVERIFY(w.D()->Enabled());
        QCOMPARE(w.W->Analysis().Entries().Count(), 0); // start-up loads nothing
        QTest::mouseClick(w.D()->picButton(), Qt::LeftButton);
        QCOMPARE(w.W->Analysis().LogFilePath(), logPath);
        QCOMPARE(w.Stat(0), u"30"_s);
        QCOMPARE(w.Fakes.Boxes->Shown, QStringList{u"info|Quillan|5 bad records were ignored"_s});
    }

    void anythingElseGivesNoDefault() {
        Store(u"REG_EXPAND_SZ"_s, u"LogFile"_s, logPath);
        ExpectNoDefault("REG_EXPAND_SZ");
        Forget();
        Store(u"REG_MULTI_SZ"_s, u"LogFile"_s, logPath);
        ExpectNoDefault("REG_MULTI_SZ");
        Forget();
        Store(u"REG_DWORD"_s, u"LogFile"_s, u"1"_s);
        ExpectNoDefault("REG_DWORD");
        Forget();
        Store(u"REG_SZ"_s, u"LogFileName"_s, logPath);
        ExpectNoDefault("missing value");
        Forget();
        ExpectNoDefault("missing key");
    }
};

QTEST_MAIN(tst_RegistryStartup)
#include "tst_RegistryStartup.moc"
