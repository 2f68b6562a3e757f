#include "TestSupport.h"
#include "analysis/RecordingHost.h"
#include "platform/Files.h"

#include <QFileInfo>
#include <QTest>

#include <functional>
#include <limits>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using namespace TestSupport;

class tst_LogLoader : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    struct Loaded {
        std::unique_ptr<LogAnalysis> Analysis;
        RecordingHost Host;
        LoadOutcome Outcome;
    };

    std::unique_ptr<Loaded> Load(const QString& path) {
        auto loaded = std::make_unique<Loaded>();
        loaded->Analysis = std::make_unique<LogAnalysis>(LocaleFormats::Named(u"en_US"_s));
        loaded->Analysis->SetHost(&loaded->Host);
        loaded->Outcome = loaded->Analysis->LoadLogFile(path);
        return loaded;
    }
    std::unique_ptr<Loaded> LoadBytes(const QByteArray& bytes) {
        return Load(WriteFile(dir, u"log.log"_s, bytes));
    }

    // A host that changes the file under the loader after each block it reads.
    struct ChangingHost : RecordingHost {
        std::function<void(qint64)> AfterBlock;
        void ReadProgress(qint64 bytesRead) override {
            if (AfterBlock) AfterBlock(bytesRead);
        }
    };
    LoadOutcome LoadChanging(LogAnalysis& analysis, const QString& path,
                             std::function<void(qint64)> afterBlock) {
        ChangingHost host;
        host.AfterBlock = std::move(afterBlock);
        analysis.SetHost(&host);
        const LoadOutcome outcome = analysis.LoadLogFile(path);
        analysis.SetHost(nullptr);
        return outcome;
    }
    static QByteArray Lines(int from, int count) {
        QByteArray out;
        for (int i = from; i < from + count; ++i)
            out += "12/31/01 10:00:00 - File: C:\\f" + QByteArray::number(i) +
                   ".zip=http://h/f.zip\r\n";
        return out;
    }
    static void Append(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        QCOMPARE(file.write(bytes), bytes.size());
    }

private slots:
    void keepsDateLinesCountsTheRestAndNotesDates() {
        auto l = LoadBytes(CrLf({"header", "12/31/2001 10:00:00 - a", "", "12/31/01 10:00:01 - b",
                                 "-- not a date", "01/02/02 10:00:02 - c"}));
        QCOMPARE(l->Outcome.Result, LoadOutcome::Kind::Loaded);
        QCOMPARE(l->Analysis->LogLines().UpperBound(), 3);
        QCOMPARE(l->Analysis->LogLines()[0], QStringView());
        QCOMPARE(l->Analysis->LogLines()[1], u"12/31/2001 10:00:00 - a");
        QCOMPARE(l->Analysis->LogLines()[3], u"01/02/02 10:00:02 - c");
        QCOMPARE(l->Analysis->LogLines().FileLine(3), 6);
        QCOMPARE(l->Analysis->LogStart(), u"12/31/2001"_s);
        QCOMPARE(l->Analysis->LogEnd(), u"01/02/02"_s);
        QCOMPARE(l->Host.Messages, QStringList{u"info|Quillan|3 bad records were ignored"_s});
        QCOMPARE(l->Analysis->LogFilePath(), dir.filePath(u"log.log"_s));
        QVERIFY(!l->Analysis->LogFileStamp().isEmpty());
        QCOMPARE(l->Host.Resets, 1);
        QCOMPARE(l->Host.LogChangedHidden, 1);
    }

    void linesEndAtCrOrCrLfButNotAtALoneLf() {
        auto l = LoadBytes("12/31/01 10:00:00 - a\r12/31/01 10:00:01 - b\nstill b\r\n"
                           "12/31/01 10:00:02 - c");
        QCOMPARE(l->Analysis->LogLines().UpperBound(), 3);
        QCOMPARE(l->Analysis->LogLines()[2], u"12/31/01 10:00:01 - b\nstill b");
        QCOMPARE(l->Analysis->LogLines()[3], u"12/31/01 10:00:02 - c"); // no end marker needed
        QVERIFY(l->Host.Messages.isEmpty());

        // A CR LF split across the reader's blocks still counts as one line end.
        QByteArray big(4 * 1024 * 1024 - 1, 'x');
        big.prepend("12/31/01 10:00:00 - ");
        big.truncate(4 * 1024 * 1024 - 1);
        big += "\r\n12/31/01 10:00:03 - d\r\n";
        auto split = LoadBytes(big);
        QCOMPARE(split->Analysis->LogLines().UpperBound(), 2);
        QVERIFY(split->Host.Messages.isEmpty());
    }

    void manyLinesKeepTheirOrder() {
        QByteArray bytes;
        for (int i = 1; i <= 250; ++i)
            bytes += "12/31/01 10:00:00 - line " + QByteArray::number(i) + "\r\n";
        auto l = LoadBytes(bytes);
        QCOMPARE(l->Analysis->LogLines().UpperBound(), 250);
        QCOMPARE(l->Analysis->LogLines()[250], u"12/31/01 10:00:00 - line 250");
        QVERIFY(l->Host.Messages.isEmpty());
    }

    // A file of several blocks is read ahead on a thread of its own; each block's unfinished
    // line is carried in front of the next, by a short copy or, past the room kept for it,
    // by joining the two. Every line must come out whole and in order.
    void linesCarriedAcrossBlocksStayWhole() {
        QByteArray bytes;
        QList<QByteArray> expected;
        quint32 seed = 7;
        while (bytes.size() < 11 * 1024 * 1024) {
            seed = seed * 1664525u + 1013904223u;
            // Mostly short lines; now and then one longer than a read block's spare room.
            const int length = (seed >> 28) == 0 ? 70000 + int(seed % 200000) : int(seed % 300);
            QByteArray line = "12/31/01 10:00:00 - " + QByteArray::number(expected.size()) + ' ';
            line += QByteArray(length, char('a' + seed % 26));
            expected << line;
            bytes += line + ((seed & 1) ? "\r\n" : "\r");
        }
        auto l = LoadBytes(bytes);
        QCOMPARE(l->Outcome.Result, LoadOutcome::Kind::Loaded);
        QCOMPARE(l->Analysis->LogLines().UpperBound(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            if (l->Analysis->LogLines().Bytes(i + 1) != expected[i])
                QFAIL(qPrintable(u"line %1 differs"_s.arg(i + 1)));
    }

    void missingFileIsReportedAndLeavesNothing() {
        auto l = LoadBytes(CrLf({"12/31/01 10:00:00 - a"}));
        const QString earlier = l->Analysis->LogFilePath();
        l->Outcome = l->Analysis->LoadLogFile(dir.filePath(u"gone.log"_s));
        QCOMPARE(l->Outcome.Result, LoadOutcome::Kind::Missing);
        QCOMPARE(l->Host.Messages.last(),
                 u"stop|Quillan Error|Error loading file. Please check the file path"_s);
        QCOMPARE(l->Analysis->LogLines().UpperBound(), 0);
        QCOMPARE(l->Analysis->LogFilePath(), earlier);
        QCOMPARE(l->Analysis->LogStart(), u"12/31/01"_s);
    }

    void otherFailuresAreSilent() {
        auto folder = Load(dir.path());
        QCOMPARE(folder->Outcome.Result, LoadOutcome::Kind::Failed);
        QVERIFY(folder->Host.Messages.isEmpty());
        QVERIFY(!folder->Outcome.Problem.isEmpty());
        QCOMPARE(folder->Analysis->LogLines().UpperBound(), 0);

        auto noFolder = Load(dir.filePath(u"no/such/folder/x.log"_s));
        QCOMPARE(noFolder->Outcome.Result, LoadOutcome::Kind::Failed);
        QVERIFY(noFolder->Host.Messages.isEmpty());

        auto empty = Load(QString());
        QCOMPARE(empty->Outcome.Result, LoadOutcome::Kind::Failed);

#ifdef Q_OS_LINUX
        // A file that opens but cannot be read (address 0 of this process is unmapped).
        auto unreadable = Load(u"/proc/self/mem"_s);
        QCOMPARE(unreadable->Outcome.Result, LoadOutcome::Kind::Failed);
        QVERIFY(unreadable->Host.Messages.isEmpty());
        QCOMPARE(unreadable->Analysis->LogLines().UpperBound(), 0);
#endif

#ifdef Q_OS_UNIX
        if (::geteuid() != 0) { // root reads anything
            const QString locked = WriteFile(dir, u"locked.log"_s, CrLf({"12/31/01 10:00:00 - a"}));
            QFile::setPermissions(locked, QFileDevice::WriteOwner);
            auto denied = Load(locked);
            QCOMPARE(denied->Outcome.Result, LoadOutcome::Kind::Failed);
            QVERIFY(denied->Host.Messages.isEmpty());
            QVERIFY(denied->Analysis->LogFilePath().isEmpty());
        }
#endif
    }

    void fileWithoutDateLinesShowsNothing() {
        for (const QByteArray& bytes :
             {QByteArray(), QByteArray("\r\n\r\n\r\n"), QByteArray("no\r\ndates\r\nhere")}) {
            auto l = LoadBytes(bytes);
            QCOMPARE(l->Outcome.Result, LoadOutcome::Kind::NoLines);
            QCOMPARE(l->Analysis->LogLines().UpperBound(), 0);
            QVERIFY(l->Host.Messages.isEmpty());
            QVERIFY(l->Analysis->LogFilePath().isEmpty());
        }
    }

    void decodesUtf8ElseWindows1252() {
        if (PlatformFiles::LogsInSystemCodePage())
            QSKIP("Windows reads every log in its ANSI code page (tst_AnsiCodePage)");
        // A byte-order mark is dropped; valid UTF-8 is read as such.
        auto utf8 = LoadBytes("\xEF\xBB\xBF"
                              "12/31/01 10:00:00 - File: C:\\M\xC3\xBCsic\\\xE2\x82\xAC.mp3=x\r\n");
        QCOMPARE(utf8->Analysis->LogLines()[1], u"12/31/01 10:00:00 - File: C:\\Müsic\\€.mp3=x");
        // One invalid sequence anywhere makes the whole file Windows-1252.
        auto cp1252 =
            LoadBytes("12/31/01 10:00:00 - \xC3\xBC\r\n12/31/01 10:00:01 - M\xFCsic \x80 \x81\r\n");
        QCOMPARE(cp1252->Analysis->LogLines()[1], u"12/31/01 10:00:00 - Ã¼");
        QCOMPARE(cp1252->Analysis->LogLines()[2], u"12/31/01 10:00:01 - Müsic € \u0081");
        // Overlong forms and encoded surrogates are not UTF-8.
        auto overlong = LoadBytes("12/31/01 10:00:00 - \xC0\xAF \xED\xA0\x80\r\n");
        QCOMPARE(overlong->Analysis->LogLines()[1], u"12/31/01 10:00:00 - À¯ í\u00A0\u20AC");

        // Found out only at the end of a file large enough to be split on a thread of its
        // own: the lines taken as UTF-8 are dropped, and the file is read again as
        // Windows-1252, the same on either thread and in one sweep.
        const QByteArray lastLine =
            "12/31/01 10:00:00 - File: C:\\caf\xE9.zip=http://h/caf\xE9.zip";
        const QString path = WriteFile(dir, u"late.log"_s, Lines(0, 90000) + lastLine + "\r\n");
        QVERIFY(QFileInfo(path).size() > 4 * LogAnalysis::DefaultSplitThreshold);
        auto split = Load(path);
        QCOMPARE(split->Outcome.Result, LoadOutcome::Kind::Loaded);
        QCOMPARE(split->Analysis->LogLines().UpperBound(), 90001);
        QCOMPARE(split->Analysis->LogLines()[90001], QString::fromLatin1(lastLine));
        LogAnalysis here(LocaleFormats::Named(u"en_US"_s));
        here.SetSplitThreshold(std::numeric_limits<qint64>::max());
        QCOMPARE(here.LoadLogFile(path).Result, LoadOutcome::Kind::Loaded);
        QCOMPARE(here.LogLines().UpperBound(), 90001);
        for (const qint64 i : {qint64(1), qint64(4096), qint64(4097), qint64(90001)})
            QCOMPARE(here.LogLines()[i], split->Analysis->LogLines()[i]);
        QVERIFY(split->Analysis->RunPass().Completed);
        LogAnalysis swept(LocaleFormats::Named(u"en_US"_s));
        QVERIFY(swept.LoadAndRunPass(path).second.Completed);
        QCOMPARE(swept.TotalFiles(), 90001);
        QCOMPARE(swept.Entries().Count(), split->Analysis->Entries().Count());
        QCOMPARE(swept.CurEntries().Count(), split->Analysis->CurEntries().Count());
        const LogEntry* cafe = swept.Entries().Item(u"http://h/café.zip"_s);
        QVERIFY(cafe);
        QCOMPARE(cafe->URL(), u"http://h/café.zip"_s);
    }

    // GetRight appends while the log is read, and users copy or cut files under it. The
    // load is of the file as it was when reading began, or, if it was cut short meanwhile,
    // of the file as it now is; it always ends.
    void fileChangingWhileReadIsReadAsOneWhole() {
        const int n = 120000; // about 7 MB: more than one read block
        const QByteArray original = Lines(0, n) + "12/31/01 10:00:00 - File: C:\\unfini";

        // Grows once, finishing the line being written: that line waits for the next read.
        const QString growing = WriteFile(dir, u"growing.log"_s, original);
        LogAnalysis once(LocaleFormats::Named(u"en_US"_s));
        bool appended = false;
        LoadOutcome outcome = LoadChanging(once, growing, [&](qint64) {
            if (!std::exchange(appended, true)) Append(growing, "shed.zip=x\r\n" + Lines(n, 50));
        });
        QVERIFY(appended);
        QCOMPARE(outcome.Result, LoadOutcome::Kind::Loaded);
        QCOMPARE(once.LogLines().UpperBound(), n);
        QCOMPARE(once.LogLines()[n], QString::fromLatin1(Lines(n - 1, 1).chopped(2)));

        // Never stops growing: the load still ends, at the size it began with.
        const QString endless = WriteFile(dir, u"endless.log"_s, Lines(0, n));
        const qint64 sizeAtStart = QFileInfo(endless).size();
        LogAnalysis neverDone(LocaleFormats::Named(u"en_US"_s));
        qint64 mostRead = 0;
        int blocks = 0;
        outcome = LoadChanging(neverDone, endless, [&](qint64 bytesRead) {
            if (++blocks > 1000) QFAIL("still reading a file that keeps growing");
            mostRead = std::max(mostRead, bytesRead);
            Append(endless, Lines(0, 2000));
        });
        QCOMPARE(outcome.Result, LoadOutcome::Kind::Loaded);
        QCOMPARE(neverDone.LogLines().UpperBound(), n);
        QCOMPARE(mostRead, sizeAtStart);

        // The file ends in CR at the start and the LF comes with the next write: one line
        // ending, not an empty line or two lines run together.
        const QString split = WriteFile(dir, u"split.log"_s, Lines(0, n).chopped(1));
        LogAnalysis halves(LocaleFormats::Named(u"en_US"_s));
        bool lineFed = false;
        outcome = LoadChanging(halves, split, [&](qint64) {
            if (!std::exchange(lineFed, true)) Append(split, "\n" + Lines(n, 5));
        });
        QCOMPARE(outcome.Result, LoadOutcome::Kind::Loaded);
        QCOMPARE(halves.LogLines().UpperBound(), n);
        QCOMPARE(halves.LogLines()[n], QString::fromLatin1(Lines(n - 1, 1).chopped(2)));

#ifdef Q_OS_LINUX
        // A file that reports more than it holds is read as what it gives, not as changing.
        auto pseudo = Load(u"/sys/kernel/mm/transparent_hugepage/enabled"_s);
        if (QFile::exists(u"/sys/kernel/mm/transparent_hugepage/enabled"_s))
            QCOMPARE(pseudo->Outcome.Result, LoadOutcome::Kind::NoLines);
#endif

        // Cut short after the first block: read again, as a fresh load of what is left.
        const QString cut = WriteFile(dir, u"cut.log"_s, original);
        LogAnalysis shortened(LocaleFormats::Named(u"en_US"_s));
        bool truncated = false;
        outcome = LoadChanging(shortened, cut, [&](qint64) {
            if (!std::exchange(truncated, true))
                QVERIFY(QFile::resize(cut, Lines(0, 1000).size() + 20)); // mid-line
        });
        QVERIFY(truncated);
        auto fresh = Load(cut);
        QCOMPARE(outcome.Result, fresh->Outcome.Result);
        QCOMPARE(shortened.LogLines().UpperBound(), 1001);
        QCOMPARE(shortened.LogLines().UpperBound(), fresh->Analysis->LogLines().UpperBound());
        QCOMPARE(shortened.LogLines()[1001], fresh->Analysis->LogLines()[1001]);
        QCOMPARE(shortened.LogEnd(), fresh->Analysis->LogEnd());
        // The same cut under a load that analyses as it reads: what it had analysed of the
        // longer file is dropped with it, and it ends as the pass over what is left.
        QVERIFY(QFile::resize(cut, 0));
        Append(cut, original);
        LogAnalysis streamed(LocaleFormats::Named(u"en_US"_s));
        ChangingHost streamHost;
        truncated = false;
        streamHost.AfterBlock = [&](qint64) {
            if (!std::exchange(truncated, true))
                QVERIFY(QFile::resize(cut, Lines(0, 1000).size() + 20));
        };
        streamed.SetHost(&streamHost);
        const auto [streamedLoad, streamedPass] = streamed.LoadAndRunPass(cut);
        streamed.SetHost(nullptr);
        QVERIFY(truncated);
        QCOMPARE(streamedLoad.Result, LoadOutcome::Kind::Loaded);
        QVERIFY(streamedPass.Completed);
        fresh->Analysis->RunPass();
        QCOMPARE(streamed.TotalFiles(), fresh->Analysis->TotalFiles());
        QCOMPARE(streamed.Entries().Count(), fresh->Analysis->Entries().Count());
        QCOMPARE(streamed.CurEntries().Count(), fresh->Analysis->CurEntries().Count());
        QCOMPARE(streamed.CurLine(), fresh->Analysis->CurLine());
        QCOMPARE(streamed.LogEnd(), fresh->Analysis->LogEnd());

        // The bytes that made the file Windows-1252 are cut away while it is read: the
        // encoding is judged again on what is left.
        const QByteArray utf8Line = "12/31/01 10:00:00 - File: C:\\M\xC3\xBCsic.mp3=x\r\n";
        const QString mixed =
            WriteFile(dir, u"mixed.log"_s, utf8Line + "12/31/01 10:00:01 - \xFF\xFE\r\n");
        LogAnalysis rejudged(LocaleFormats::Named(u"en_US"_s));
        bool cutAway = false;
        outcome = LoadChanging(rejudged, mixed, [&](qint64) {
            if (!std::exchange(cutAway, true)) QVERIFY(QFile::resize(mixed, utf8Line.size()));
        });
        QCOMPARE(outcome.Result, LoadOutcome::Kind::Loaded);
        QCOMPARE(rejudged.LogLines().UpperBound(), 1);
        QCOMPARE(rejudged.LogLines()[1], Load(mixed)->Analysis->LogLines()[1]);
        if (!PlatformFiles::LogsInSystemCodePage()) // Windows never judges: ANSI it is
            QCOMPARE(rejudged.LogLines()[1], u"12/31/01 10:00:00 - File: C:\\Müsic.mp3=x");

        // Cut again at every read: given up after a few tries, with nothing half-read kept.
        const QString shrinking = WriteFile(dir, u"shrinking.log"_s, original);
        LogAnalysis unstable(LocaleFormats::Named(u"en_US"_s));
        int cuts = 0;
        outcome = LoadChanging(unstable, shrinking, [&](qint64 bytesRead) {
            ++cuts;
            QVERIFY(QFile::resize(shrinking, bytesRead - 100));
        });
        QCOMPARE(outcome.Result, LoadOutcome::Kind::Failed);
        QCOMPARE(outcome.Problem, u"The file kept changing while it was read"_s);
        QCOMPARE(unstable.LogLines().UpperBound(), 0);
        QVERIFY(cuts >= 3);

#ifdef Q_OS_UNIX
        // A pipe is refused before it is opened: opening it would wait for a writer.
        const QString fifo = dir.filePath(u"pipe.log"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        auto piped = Load(fifo);
        QCOMPARE(piped->Outcome.Result, LoadOutcome::Kind::Failed);
        QCOMPARE(piped->Outcome.Problem, u"The path is not an ordinary file"_s);
        QVERIFY(piped->Host.Messages.isEmpty());
#endif
    }

    void hostileBytesNeverBreakTheLoader() {
        // NUL bytes stay inside their line.
        auto nul = LoadBytes(QByteArray("12/31/01 10:00:00 - a\0b\r\n", 25));
        QCOMPARE(nul->Analysis->LogLines()[1].size(), 23);
        QCOMPARE(nul->Analysis->LogLines()[1][21], QChar(u'\0'));

        // Arbitrary binary content: some lines may pass, none may crash.
        QByteArray binary;
        quint32 seed = 12345;
        for (int i = 0; i < 200000; ++i) {
            seed = seed * 1664525u + 1013904223u;
            binary += char(seed >> 24);
        }
        auto bin = LoadBytes(binary);
        QVERIFY(bin->Outcome.Result == LoadOutcome::Kind::NoLines ||
                bin->Outcome.Result == LoadOutcome::Kind::Loaded);

        // One 50 MB line without an end marker.
        QByteArray huge = "12/31/01 10:00:00 - File: ";
        huge += QByteArray(50 * 1024 * 1024, 'a');
        auto h = LoadBytes(huge);
        QCOMPARE(h->Analysis->LogLines().UpperBound(), 1);
        QCOMPARE(h->Analysis->LogLines()[1].size(), huge.size());
    }
};

QTEST_APPLESS_MAIN(tst_LogLoader)
#include "tst_LogLoader.moc"
