#include "TestSupport.h"
#include "analysis/RecordingHost.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

// Lines are written as GetRight does: date, blank, time, " - ", message.
class tst_AnalysisPass : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    RecordingHost host;

    std::unique_ptr<LogAnalysis> Analyse(std::initializer_list<const char*> lines,
                                         PassOutcome* outcome = nullptr,
                                         const QString& locale = u"en_US"_s) {
        auto analysis = std::make_unique<LogAnalysis>(LocaleFormats::Named(locale));
        analysis->SetHost(&host);
        analysis->LoadLogFile(WriteFile(dir, u"pass.log"_s, CrLf(lines)));
        const PassOutcome result = analysis->RunPass();
        if (outcome) *outcome = result;
        return analysis;
    }

private slots:
    void fileLineMakesRecordAndLink() {
        auto a = Analyse(
            {"12/31/01 10:15:32 - File: C:\\dl\\setup.exe.GetRight=http://h/pub/Setup.EXE?x=1",
             "12/31/2001 22:00:00 - File:  D:\\a=b.txt = ftp://h/x.zip=1 "});
        QCOMPARE(a->Entries().Count(), 2);
        const LogEntry* e = a->Entries().Item(1);
        QCOMPARE(e->LocalName(), u"C:\\dl\\setup.exe"_s);
        QCOMPARE(e->URL(), u"http://h/pub/Setup.EXE?x=1"_s);
        QCOMPARE(e->Key(), u"HTTP://H/PUB/SETUP.EXE?X=1"_s);
        QCOMPARE(e->FName(), u"setup.exe?x=1"_s);
        QCOMPARE(e->Resumes(), -1);
        QCOMPARE(e->Restarts(), 0);
        QCOMPARE(e->Mirrors(), -1);
        QCOMPARE(e->Num(), 0);
        QCOMPARE(e->DateStarted(), u"12/31/01 - 10:15:32 AM"_s);
        QCOMPARE(e->DateFinished(), QString());
        QCOMPARE(a->CurEntries().Item(u"setup.exe?x=1"_s)->LogKey(), e->Key());

        // A local path holding "=" is cut there; the URL then carries the rest.
        const LogEntry* f = a->Entries().Item(2);
        QCOMPARE(f->LocalName(), u"D:\\a"_s);
        QCOMPARE(f->URL(), u"b.txt = ftp://h/x.zip=1"_s);
        QCOMPARE(f->DateStarted(), u"12/31/01 - 10:00:00 PM"_s);
        QCOMPARE(a->TotalFiles(), 2);
    }

    void laterLinesUpdateTheOpenDownload() {
        PassOutcome outcome;
        auto a =
            Analyse({"12/31/01 10:00:00 - File: C:\\x.zip=http://h/x.zip",
                     "12/31/01 10:00:01 - (Re)Started download: http://h/x.zip",
                     "12/31/01 10:00:02 - (Re)Started download: C:\\x.zip",
                     "12/31/01 10:00:03 - Could not resume (restarting from 0): http://h/X.ZIP",
                     "12/31/01 10:00:04 - Resumed: x.zip at: 1536",
                     "12/31/01 10:00:05 - Resumed: x.zip at: 512",
                     "12/31/01 10:00:06 - Resumed: other.zip at: 2048",
                     "12/31/01 13:00:07 - Finished downloading: C:\\x.zip",
                     "12/31/01 13:00:08 - Finished downloading: C:\\x.zip",
                     "12/31/01 13:00:09 - Resumed: x.zip at: 4096",
                     "12/31/01 13:00:10 - Something else entirely"},
                    &outcome);
        QVERIFY(outcome.Completed);
        const LogEntry* e = a->Entries().Item(1);
        QCOMPARE(e->Mirrors(), 1);
        QCOMPARE(e->Restarts(), 1);
        QCOMPARE(e->Resumes(), 1);
        QCOMPARE(e->Num(), 2); // 1.5 rounds to 2, then 2.5 rounds to the even 2
        QCOMPARE(e->DateFinished(), u"12/31/01 - 01:00:07 PM"_s);
        QVERIFY(a->CurEntries().Item(u"x.zip"_s) == nullptr);
        // Totals count lines, open download or not.
        QCOMPARE(a->TotalFiles(), 1);
        QCOMPARE(a->TotalRestarts(), 3);
        QCOMPARE(a->TotalResumes(), 4);
        QCOMPARE(a->TotalCompleted(), 2);
        QCOMPARE(a->KbResumed(), 8); // 1.5->2, 2.5->2, 4, 4
        QCOMPARE(host.LastProgress, 11);
    }

    void repeatedUrlsAndSharedNames() {
        auto a = Analyse({"12/31/01 10:00:00 - File: C:\\a=http://h/a.zip",
                          "12/31/01 10:00:01 - Resumed: a.zip at: 3072",
                          "12/31/01 10:00:02 - File: C:\\b=http://h/b.zip",
                          "12/31/01 10:00:03 - File: C:\\a2=HTTP://H/A.ZIP",
                          "12/31/01 10:00:04 - File: C:\\c=http://other/a.zip",
                          "12/31/01 10:00:05 - Resumed: a.zip at: 1024"});
        QCOMPARE(a->Entries().Count(), 4);
        QCOMPARE(a->TotalFiles(), 4);
        // The earlier record of the URL moved behind b, without its key.
        QCOMPARE(a->Entries().Item(1)->LocalName(), u"C:\\b"_s);
        const LogEntry* first = a->Entries().Item(2);
        QCOMPARE(first->LocalName(), u"C:\\a"_s);
        QCOMPARE(first->Key(), QString());
        QCOMPARE(first->Num(), 3);
        // The new record starts at the earlier one's Num plus one.
        QCOMPARE(a->Entries().Item(3)->Num(), 4);
        QCOMPARE(a->Entries().Item(3)->Key(), u"HTTP://H/A.ZIP"_s);
        // The same file name from another URL takes the name over.
        QCOMPARE(a->Entries().Item(4)->Num(), 1);
        QCOMPARE(a->Entries().Item(3)->Resumes(), -1);
    }

    void urlEndingInSlashIsUnreachable() {
        auto a = Analyse({"12/31/01 10:00:00 - File: C:\\i.html=http://h/dir/",
                          "12/31/01 10:00:01 - Resumed:  at: 1024",
                          "12/31/01 10:00:02 - Finished downloading: http://h/dir/"});
        const LogEntry* e = a->Entries().Item(1);
        QCOMPARE(e->FName(), QString());
        QCOMPARE(e->Resumes(), -1);
        QCOMPARE(e->DateFinished(), QString());
        QCOMPARE(a->CurEntries().Count(), 1);
        QVERIFY(a->CurEntries().Item(QString()) == nullptr);
    }

    void handlersSkipWhatFails() {
        auto a = Analyse({"12/31/01 10:00:00 - File: C:\\x.zip=http://h/x.zip",
                          // Too short for a name: nothing changes.
                          "12/31/01 10:00:02 - (Re)Started",
                          // A finish time that is no time: no date, but the link closes.
                          "12/31/01 99:00:03 - Finished downloading: x.zip"});
        LogEntry* e = a->Entries().Item(1);
        QCOMPARE(e->Mirrors(), -1);
        QCOMPARE(e->DateFinished(), QString());
        QVERIFY(a->CurEntries().Item(u"x.zip"_s) == nullptr);
        QCOMPARE(a->TotalCompleted(), 1);

        // An offset the handler cannot read: the resume counts, Num stays. (The pass ends
        // before such a line reaches the handler; called directly, the handler copes.)
        auto open = Analyse({"12/31/01 10:00:00 - File: C:\\x.zip=http://h/x.zip"});
        LogEntry* x = open->Entries().Item(1);
        QVERIFY(open->CurEntries().Item(u"x.zip"_s) != nullptr);
        QVERIFY(!open->DateIsLong());
        open->ParseResumedLine(u"12/31/01 10:00:01 - Resumed: x.zip at:  12 bytes");
        QCOMPARE(x->Resumes(), 0);
        QCOMPARE(x->Num(), 0);
        open->ParseResumedLine(u"12/31/01 10:00:01 - Resumed: x.zip at: 99999999999999");
        QCOMPARE(x->Resumes(), 1);
        QCOMPARE(x->Num(), 0);
        open->ParseResumedLine(u"12/31/01");
        QCOMPARE(x->Resumes(), 1);
    }

    void passEndsEarlyAndKeepsWhatItCounted_data() {
        QTest::addColumn<QByteArray>("badLine");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("resumes");
        QTest::newRow("short line") << QByteArray("12/31/01 10:00") << 1 << 0;
        QTest::newRow("file without =")
            << QByteArray("12/31/01 10:00:02 - File: C:\\nothing") << 1 << 0;
        QTest::newRow("file with bad time")
            << QByteArray("12/31/01 10:99:02 - File: C:\\y=http://h/y") << 2 << 0;
        QTest::newRow("resumed without at")
            << QByteArray("12/31/01 10:00:02 - Resumed: x.zip") << 1 << 1;
        QTest::newRow("resumed not a number")
            << QByteArray("12/31/01 10:00:02 - Resumed: x.zip at: 1,536") << 1 << 1;
        QTest::newRow("resumed beyond 32 bits")
            << QByteArray("12/31/01 10:00:02 - Resumed: x.zip at: 2147483648") << 1 << 1;
    }
    void passEndsEarlyAndKeepsWhatItCounted() {
        QFETCH(QByteArray, badLine);
        QFETCH(int, files);
        QFETCH(int, resumes);
        PassOutcome outcome;
        auto a = Analyse({"12/31/01 10:00:00 - File: C:\\x.zip=http://h/x.zip",
                          "12/31/01 10:00:01 - Finished downloading: x.zip", badLine.constData(),
                          "12/31/01 10:00:03 - File: C:\\z.zip=http://h/z.zip"},
                         &outcome);
        QVERIFY(!outcome.Completed);
        QCOMPARE(outcome.FailedLine, 3);
        QCOMPARE(outcome.FailedFileLine, 3);
        QVERIFY(!outcome.Reason.isEmpty());
        QCOMPARE(a->TotalFiles(), files);
        QCOMPARE(a->TotalCompleted(), 1);
        QCOMPARE(a->TotalResumes(), resumes);
        QCOMPARE(a->Entries().Item(1)->DateFinished(), u"12/31/01 - 10:00:01 AM"_s);
    }

    void kilobytesOverflowEndsThePass() {
        PassOutcome outcome;
        auto a = Analyse({"12/31/01 10:00:00 - Resumed: a at: 2147483647",
                          "12/31/01 10:00:00 - Resumed: a at: 2147483647"},
                         &outcome);
        QVERIFY(outcome.Completed);
        QCOMPARE(a->KbResumed(), 4194304);
        QByteArray many;
        for (int i = 0; i < 1100; ++i)
            many += "12/31/01 10:00:00 - Resumed: a at: 2147483647\r\n";
        LogAnalysis big(LocaleFormats::Named(u"en_US"_s));
        big.LoadLogFile(WriteFile(dir, u"many.log"_s, many));
        const PassOutcome overflow = big.RunPass();
        QVERIFY(!overflow.Completed);
        QCOMPARE(overflow.FailedLine, 1024); // 1024 * 2097152 passes 2^31 - 1
        QCOMPARE(big.TotalResumes(), 1024);
    }

    void nothingLoadedMeansNothingToDo() {
        LogAnalysis a(LocaleFormats::Named(u"en_US"_s));
        const PassOutcome outcome = a.RunPass();
        QVERIFY(outcome.NothingLoaded);
        QVERIFY(!outcome.Completed);
    }

    void statisticsTexts() {
        auto a = Analyse({"12/31/2001 10:00:00 - Connecting", "01/02/02 10:00:00 - Nothing"});
        auto texts = a->StatTexts();
        QCOMPARE(*texts[0], u"0"_s);
        QCOMPARE(*texts[4], u" Kb"_s);
        QCOMPARE(*texts[5], u"12/31/01"_s);
        QCOMPARE(*texts[6], u"01/02/02"_s);

        // 1,200,000 and 999 kilobytes resumed.
        auto many = Analyse({"12/31/01 10:00:00 - File: C:\\x=http://h/x",
                             "12/31/01 10:00:01 - Resumed: x at: 1228800000"});
        QCOMPARE(*many->StatTexts()[4], u"1,200,000 Kb"_s);
        auto few = Analyse({"12/31/01 10:00:00 - File: C:\\x=http://h/x",
                            "12/31/01 10:00:01 - Resumed: x at: 1022976"});
        QCOMPARE(*few->StatTexts()[4], u"999 Kb"_s);
        // No log read: no dates, and the labels stay as they are.
        const LogAnalysis nothing(LocaleFormats::Named(u"en_US"_s));
        QVERIFY(!nothing.StatTexts()[5].has_value());
        QVERIFY(!nothing.StatTexts()[6].has_value());

        // A day-first locale reads and writes its own order and separators.
        auto de = Analyse({"31.12.2001 10:00:00 - File: C:\\x=http://h/x",
                           "02.01.02 23:00:00 - Resumed: x at: 1258291200"},
                          nullptr, u"de_DE"_s);
        QCOMPARE(de->Entries().Item(1)->DateStarted().left(11), u"31.12.01 - "_s);
        QCOMPARE(*de->StatTexts()[4], u"1.228.800 Kb"_s);
        QCOMPARE(*de->StatTexts()[6], u"02.01.02"_s);
    }

    void sampleLogFoldsCompletely() {
        LogAnalysis a(LocaleFormats::Named(u"en_US"_s));
        RecordingHost sampleHost;
        a.SetHost(&sampleHost);
        QCOMPARE(a.LoadLogFile(SampleLog()).Result, LoadOutcome::Kind::Loaded);
        const PassOutcome outcome = a.RunPass();
        QVERIFY(outcome.Completed);
        QVERIFY(a.TotalFiles() > 20);
        QVERIFY(a.Entries().Count() == a.TotalFiles());
        QVERIFY(a.KbResumed() > 0);
        QCOMPARE(sampleHost.Messages.size(), 1); // its few bad lines
    }
};

QTEST_APPLESS_MAIN(tst_AnalysisPass)
#include "tst_AnalysisPass.moc"
