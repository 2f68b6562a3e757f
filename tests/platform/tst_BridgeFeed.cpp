#include "platform/BridgeFeed.h"
#include "platform/BridgeProtocol.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Kind = BridgeProtocol::Answer::Kind;

// A stand-in for the helper under Wine: speaks the protocol with scripted answer lines.
// Its first argument picks the start: "ready", "slow" (ready after a while) or "silent".
static const char FakeHelper[] = R"(#!/bin/sh
echo start >> "$STARTS"
mode=$1; shift
case "$mode" in
  silent) exec sleep 30 ;;
  slow) sleep 1 ;;
esac
echo "READY fake"
while read -r item; do
  eval "answer=\${$item:-}"
  case "$answer" in
    HANG) exec sleep 30 ;;
    "") echo "ERR not-processed" ;;
    *) printf '%s\n' "$answer" ;;
  esac
done
)";

class tst_BridgeFeed : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString script;
    QString starts;

    BridgeFeed::Locator Helper(const QStringList& arguments) const {
        return [this, arguments]() -> std::optional<BridgeCommand> {
            BridgeCommand command;
            command.Program = u"/bin/sh"_s;
            command.Arguments = QStringList{script} + arguments;
            command.Environment = QProcessEnvironment::systemEnvironment();
            command.Environment.insert(u"STARTS"_s, starts);
            return command;
        };
    }
    int Starts() const {
        QFile file(starts);
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
    }

private slots:
    void init() {
        QVERIFY(dir.isValid());
        script = dir.filePath(u"fake-helper.sh"_s);
        starts = dir.filePath(u"starts.txt"_s);
        QFile::remove(starts);
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(FakeHelper);
    }

    void parsesAnswerLines() {
        QVERIFY(BridgeProtocol::IsReady("READY quillan-dde-bridge 1"));
        QVERIFY(BridgeProtocol::IsReady("READY\r"));
        QVERIFY(!BridgeProtocol::IsReady("READYING"));

        const auto reply = BridgeProtocol::ParseAnswer(R"(OK C:\\dl\\a.zip|1|\r\n\\r|caf)"
                                                       "\xc3\xa9\r");
        QCOMPARE(reply.What, Kind::Reply);
        QCOMPARE(reply.Text, u"C:\\dl\\a.zip|1|\r\n\\r|caf\u00e9"_s);
        QCOMPARE(BridgeProtocol::ParseAnswer("OK ").Text, QString());
        QCOMPARE(BridgeProtocol::ParseAnswer("OK ").What, Kind::Reply);

        const auto failure = BridgeProtocol::ParseAnswer("ERR connect no-conversation (16394)");
        QCOMPARE(failure.What, Kind::Failure);
        QCOMPARE(failure.Text, u"connect no-conversation (16394)"_s);
        QCOMPARE(BridgeProtocol::ParseAnswer("ERR").What, Kind::Failure);

        for (const char* bad : {"", "OK", "ok a|1|b|", "OK a\\", "OK a\\t", "ERROR x", "fixme:"})
            QVERIFY2(BridgeProtocol::ParseAnswer(bad).What == Kind::Malformed, bad);
        QCOMPARE(BridgeProtocol::RequestLine(12), QByteArray("12\n"));
    }

    void answersRequestsFromOneRunningHelper() {
        BridgeFeed feed(Helper({u"ready"_s, uR"(OK a.zip|2048|50|C:\\x)"_s, u"ERR timeout"_s}));
        feed.Open();
        QCOMPARE(feed.Request(1), std::optional<QString>(uR"(a.zip|2048|50|C:\x)"_s));
        QCOMPARE(feed.Request(2), std::nullopt);
        QCOMPARE(feed.Request(3), std::nullopt);
        QCOMPARE(feed.Request(1), std::optional<QString>(uR"(a.zip|2048|50|C:\x)"_s));
        QVERIFY(feed.Running());
        QCOMPARE(Starts(), 1);
        feed.Close();
        QVERIFY(!feed.Running());
    }

    void aMissedDeadlineKillsTheHelperAndTheNextRequestStartsAFreshOne() {
        BridgeFeed feed(Helper({u"ready"_s, u"OK a|1|b|"_s, u"HANG"_s}), {5000, 300});
        QCOMPARE(feed.Request(1), std::optional<QString>(u"a|1|b|"_s));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(feed.Request(2), std::nullopt);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!feed.Running());
        QCOMPARE(feed.Request(1), std::optional<QString>(u"a|1|b|"_s));
        QCOMPARE(Starts(), 2);

        // A line outside the protocol means the helper is out of step: it goes too.
        BridgeFeed garbled(Helper({u"ready"_s, u"fixme:dde"_s, u"OK a|1|b|"_s}));
        QCOMPARE(garbled.Request(1), std::nullopt);
        QVERIFY(!garbled.Running());
    }

    void aHelperThatIsNotReadyFailsWithoutHoldingTheCaller() {
        // Still starting: the request fails at its own deadline and the helper is kept.
        BridgeFeed slow(Helper({u"slow"_s, u"OK a|1|b|"_s}), {5000, 200});
        slow.Open();
        QCOMPARE(slow.Request(1), std::nullopt);
        QVERIFY(slow.Running());
        QTRY_COMPARE_WITH_TIMEOUT(slow.Request(1), std::optional<QString>(u"a|1|b|"_s), 3000);
        QCOMPARE(Starts(), 1);

        // Never ready within its allowance: killed, and started anew on a later request.
        BridgeFeed silent(Helper({u"silent"_s}), {400, 200});
        QCOMPARE(silent.Request(1), std::nullopt);
        QTest::qWait(300);
        QCOMPARE(silent.Request(1), std::nullopt);
        QVERIFY(!silent.Running());
        QCOMPARE(silent.Request(1), std::nullopt);
        QVERIFY(silent.Running());

        BridgeFeed none([] { return std::optional<BridgeCommand>(); });
        QCOMPARE(none.Request(1), std::nullopt);
    }

    void theWineCommandNeedsAnExistingPrefixAndNeverMakesOne() {
        QProcessEnvironment environment;
        environment.insert(u"HOME"_s, dir.path());
        environment.insert(u"PATH"_s, dir.path());
        QCOMPARE(BridgeFeed::WinePrefix(environment), dir.filePath(u".wine"_s));
        environment.insert(u"WINEPREFIX"_s, dir.filePath(u"prefix"_s));
        QCOMPARE(BridgeFeed::WinePrefix(environment), dir.filePath(u"prefix"_s));

        const QString wine = dir.filePath(u"wine"_s);
        QFile wineFile(wine);
        QVERIFY(wineFile.open(QIODevice::WriteOnly));
        wineFile.write("#!/bin/sh\n");
        wineFile.close();
        wineFile.setPermissions(wineFile.permissions() | QFileDevice::ExeUser);

        QCOMPARE(BridgeFeed::WineCommand(environment, script), std::nullopt);
        QVERIFY(!QFileInfo::exists(dir.filePath(u"prefix"_s)));

        QVERIFY(QDir(dir.path()).mkpath(u"prefix"_s));
        QFile reg(dir.filePath(u"prefix/system.reg"_s));
        QVERIFY(reg.open(QIODevice::WriteOnly));
        reg.close();
        const auto command = BridgeFeed::WineCommand(environment, script);
        QVERIFY(command);
        QCOMPARE(command->Program, wine);
        QCOMPARE(command->Arguments, QStringList{script});
        QCOMPARE(command->Environment.value(u"WINEPREFIX"_s), dir.filePath(u"prefix"_s));
        QCOMPARE(BridgeFeed::WineCommand(environment, dir.filePath(u"missing.exe"_s)),
                 std::nullopt);
        environment.insert(u"PATH"_s, dir.filePath(u"prefix"_s));
        QCOMPARE(BridgeFeed::WineCommand(environment, script), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(tst_BridgeFeed)
#include "tst_BridgeFeed.moc"
