#include "TestSupport.h"
#include "platform/OpenerWin.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

// "Execute" on Windows: the command interpreter's "start" for a URL or a downloaded file.
// The commands are checked as built, then the real one is run through Wine's cmd.exe and
// start on a program whose name holds everything the command line must survive.
class tst_StartCommand : public QObject {
    Q_OBJECT

    static Opener::Target Local(const QString& path) {
        return {u"start \""_s + path + u'"', path, true};
    }
    static Opener::Target Url(const QString& url) { return {u"start "_s + url, url, false}; }

private slots:
    void theCommandLineNeverHoldsTheTarget() {
        // start takes a first quoted argument for a window title: an empty one goes first.
        // The target comes in through a variable, so nothing in it is read by cmd.exe.
        const QString fixed = uR"(/d /c start "" "%QUILLAN_START_TARGET%")"_s;
        const struct {
            Opener::Target Target;
            QString Value;
        } cases[] = {
            // Nothing a path or a URL holds is cmd.exe's to read: not & | < > ^, not %PATH%.
            {Local(u"C:\\T\u00e9l\u00e9chargements\\\u4e2d\u6587 & 100% %PATH% ^!.zip"_s),
             u"C:\\T\u00e9l\u00e9chargements\\\u4e2d\u6587 & 100% %PATH% ^!.zip"_s},
            {Url(u"http://h/get?a=1&b=%41|x>y<z^"_s), u"http://h/get?a=1&b=%41|x>y<z^"_s},
            // A quote would end the quoted target, a line feed the command line.
            {Url(u"http://h/say \"hi\"\n.zip"_s), u"http://h/say %22hi%22%0A.zip"_s},
        };
        for (const auto& c : cases) {
            const StartCommand command = StartCommandFor(c.Target);
            QVERIFY2(command.Program.endsWith(u"\\cmd.exe"_s, Qt::CaseInsensitive),
                     qPrintable(command.Program));
            QVERIFY2(QDir::isAbsolutePath(command.Program), qPrintable(command.Program));
            QCOMPARE(command.Arguments, fixed);
            QCOMPARE(command.Variable, u"QUILLAN_START_TARGET"_s);
            QCOMPARE(command.Value, c.Value);
        }

        // The opener hands each command to its seam, and nothing for an empty target.
        QList<StartCommand> started;
        auto opener = StartCommandOpener([&](const StartCommand& command) {
            started << command;
            return true;
        });
        QVERIFY(opener->Open(Local(u"C:\\a b.zip"_s)));
        QVERIFY(!opener->Open({u"start "_s, QString(), false}));
        QCOMPARE(started.size(), 1);
        QCOMPARE(started[0].Value, u"C:\\a b.zip"_s);
        auto failing = StartCommandOpener([](const StartCommand&) { return false; });
        QVERIFY(!failing->Open(Local(u"C:\\a.zip"_s)));
    }

    void startOpensAFileWhateverItsName() {
        // A program stands in for a download: start hands it to the shell, which runs it,
        // and it leaves a mark beside itself. (Not a command script: cmd.exe reads a
        // script's own path once more when it runs it.)
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"Downloads & more 100%"_s);
        QVERIFY(QDir().mkpath(folder));
        const QString program =
            QDir(folder).filePath(u"setup (1) & %OS% caf\u00e9 \u4e2d\u6587 ^ 50%.exe"_s);
        QVERIFY(QFile::copy(QStringLiteral(MARK_STARTED_EXE), program));
        const QString mark = QDir(folder).filePath(u"ran.txt"_s);

        QVERIFY(StartHidden(StartCommandFor(Local(QDir::toNativeSeparators(program)))));
        const auto marked = [&] {
            QFile ran(mark);
            return ran.open(QIODevice::ReadOnly) && ran.readAll() == "ran";
        };
        QTRY_VERIFY_WITH_TIMEOUT(marked(), 30000);
    }
};

QTEST_GUILESS_MAIN(tst_StartCommand)
#include "tst_StartCommand.moc"
