#include "TestSupport.h"
#include "cli/Report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace TestSupport;

// Runs the report with its output and errors captured.
struct Run {
    int Status = -1;
    QString Out;
    QString Err;
};

static QString ReadAll(std::FILE* file) {
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, qsizetype(got));
    std::fclose(file);
    return QString::fromUtf8(bytes);
}

static Run Report(QStringList args) {
    args.prepend(u"quillan-report"_s);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Run run;
    run.Status = RunReport(args, out, err);
    run.Out = ReadAll(out);
    run.Err = ReadAll(err);
    return run;
}

class tst_Report : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void statsOfTheSample() {
        const Run run = Report({u"--stats"_s, u"--locale"_s, u"en_US"_s, SampleLog()});
        QCOMPARE(run.Status, 0);
        const QStringList rows = run.Out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 7);
        const QStringList captions = {
            u"Total Files"_s,     u"Total Resumes"_s, u"Total Restarts"_s, u"Total Completed"_s,
            u"Bytes Recovered"_s, u"Log Started"_s,   u"Log Finished"_s};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(rows[i].section(u'\t', 0, 0), captions[i]);
        QVERIFY(rows[4].endsWith(u" Kb"_s));
        QCOMPARE(rows[5], u"Log Started\t12/31/01"_s);
        // The sample's bad lines are reported as the window would, on standard error.
        QVERIFY(run.Err.contains(u" bad records were ignored"_s));
    }

    void recordsAndJsonAgree() {
        const Run text = Report({u"--records"_s, u"--locale=en_US"_s, SampleLog()});
        QCOMPARE(text.Status, 0);
        const QStringList lines = text.Out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(
            lines.first(),
            u"Key\tLocalName\tURL\tResumes\tRestarts\tDateStarted\tDateFinished\tFName\tNum\tMirrors"_s);
        for (const QString& line : lines)
            QCOMPARE(line.count(u'\t'), 9);

        const Run json = Report(
            {u"--json"_s, u"--stats"_s, u"--records"_s, u"--locale"_s, u"en_US"_s, SampleLog()});
        QCOMPARE(json.Status, 0);
        QJsonParseError error;
        const QJsonObject doc = QJsonDocument::fromJson(json.Out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray records = doc.value(u"records"_s).toArray();
        QCOMPARE(records.size(), lines.size() - 1);
        QCOMPARE(records.first().toObject().value(u"URL"_s).toString(),
                 lines[1].section(u'\t', 2, 2));
        QCOMPARE(doc.value(u"stats"_s).toObject().value(u"Total Files"_s).toString(),
                 QString::number(records.size()));
    }

    void exitStatusAndMessages() {
        const Run missing = Report({u"--stats"_s, dir.filePath(u"nope.log"_s)});
        QCOMPARE(missing.Status, 1);
        QVERIFY(missing.Err.contains(u"Error loading file. Please check the file path"_s));
        QVERIFY(missing.Out.isEmpty());

        const Run folder = Report({dir.path()});
        QCOMPARE(folder.Status, 1);
        QVERIFY(folder.Err.contains(dir.path()));

        for (const QStringList& bad :
             {QStringList{}, QStringList{u"--bogus"_s, SampleLog()},
              QStringList{SampleLog(), SampleLog()}, QStringList{u"--locale"_s}}) {
            const Run usage = Report(bad);
            QCOMPARE(usage.Status, 2);
            QVERIFY(usage.Err.contains(u"Usage: quillan-report"_s));
        }

        // Help and the version on standard output; a locale Qt does not know is bad usage.
        const Run help = Report({u"--help"_s});
        QCOMPARE(help.Status, 0);
        QVERIFY(help.Out.startsWith(u"Usage: quillan-report [options] LOGFILE\n"_s));
        QVERIFY(help.Err.isEmpty());
        QCOMPARE(Report({u"-h"_s, SampleLog()}).Out, help.Out);
        const Run version = Report({u"--version"_s});
        QCOMPARE(version.Status, 0);
        QVERIFY(version.Out.startsWith(u"quillan-report "_s));
        const Run locale = Report({u"--locale=xx_YY"_s, SampleLog()});
        QCOMPARE(locale.Status, 2);
        QVERIFY(locale.Err.startsWith(u"quillan-report: unknown locale \"xx_YY\""_s));
        QCOMPARE(Report({u"--locale"_s, u"C"_s, u"--stats"_s, SampleLog()}).Status, 0);
        // Each option keeps both spellings, and a repeated list adds up.
        QCOMPARE(Report({u"--sort=date"_s, u"--sort"_s, u"name"_s, u"--tree"_s, SampleLog()}).Out,
                 Report({u"--sort"_s, u"date,name"_s, u"--tree"_s, SampleLog()}).Out);
        for (const QStringList& clash :
             {QStringList{u"--html"_s, u"-"_s, u"--stats"_s, SampleLog()},
              QStringList{u"--html=-"_s, u"--csv=-"_s, SampleLog()}})
            QCOMPARE(Report(clash).Status, 2);

        // A pass that ends early: status 0, the labels untouched, and where it ended.
        const QString early = WriteFile(dir, u"early.log"_s,
                                        CrLf({"12/31/01 10:00:00 - File: C:\\a=http://h/a",
                                              "not a date", "12/31/01 10:00:01 - File: nothing"}));
        const Run run = Report({u"--stats"_s, u"--locale"_s, u"en_US"_s, early});
        QCOMPARE(run.Status, 0);
        QVERIFY(run.Out.startsWith(u"Total Files\t0\n"_s));
        QVERIFY(run.Out.contains(u"Log Started\t0\n"_s));
        QVERIFY(run.Err.contains(early + u":3: "_s));
        QVERIFY(run.Err.contains(u"1 bad records were ignored"_s));

        // Nothing to analyse is still a file that was read.
        const Run empty = Report({WriteFile(dir, u"empty.log"_s, QByteArray())});
        QCOMPARE(empty.Status, 0);
    }

    // The page and the CSV go to files, or one of them to standard output; a file that
    // cannot be written fails the run and leaves nothing half-written.
    void pageAndCsv() {
        const QString page = dir.filePath(u"report.html"_s);
        const QString csv = dir.filePath(u"report.csv"_s);
        const Run both =
            Report({u"--html"_s, page, u"--csv"_s, csv, u"--locale"_s, u"en_US"_s, SampleLog()});
        QCOMPARE(both.Status, 0);
        QVERIFY(both.Out.isEmpty());
        QFile html(page);
        QVERIFY(html.open(QIODevice::ReadOnly));
        QVERIFY(html.readAll().contains("<title>Quillan report: getright.log</title>"));
        QFile table(csv);
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QByteArray bytes = table.readAll();
        QCOMPARE(bytes.count("\r\n"), 31);

        const Run toStdout = Report({u"--csv=-"_s, u"--locale"_s, u"en_US"_s, SampleLog()});
        QCOMPARE(toStdout.Status, 0);
        QCOMPARE(toStdout.Out.toUtf8(), bytes);

        const QString nowhere = dir.filePath(u"missing-folder/report.html"_s);
        const Run failed = Report({u"--html"_s, nowhere, SampleLog()});
        QCOMPARE(failed.Status, 1);
        QVERIFY(failed.Err.contains(nowhere));
        QVERIFY(!QFileInfo::exists(nowhere));
    }

    // The installed program on a log in a non-ASCII folder on a read-only file system, in
    // the C locale, with a home of its own: it reads, reports, and writes nothing anywhere.
    void readOnlyMediumNonAsciiPathNothingWritten() {
#ifndef Q_OS_LINUX
        QSKIP("needs Linux mount namespaces");
#else
        const QString folder = dir.filePath(u"Загрузки ü 日本"_s);
        QVERIFY(QDir().mkpath(folder));
        const QString home = dir.filePath(u"home"_s);
        QVERIFY(QDir().mkpath(home));
        const QString log =
            WriteFile(dir, u"Загрузки ü 日本/журнал €.log"_s,
                      SampleBytes() + "01/01/02 10:00:00 - File: C:\\Müsic\\€ 日本.mp3="
                                      "http://h/%E2%82%AC.mp3\r\n");
        QVERIFY(QFile::setPermissions(log, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        const QStringList before = Snapshot(dir.path());

        // Mount the folder read-only in a private namespace; without one (a container that
        // forbids it) the run still happens, with only the permissions making it read-only.
        const QString mountReadOnly =
            u"mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" && "
            u"! touch \"$1/probe\" 2>/dev/null"_s;
        const QString script = mountReadOnly + u" || exit 98; shift; exec \"$@\""_s;
        const QStringList report = {QStringLiteral(QUILLAN_REPORT_EXE),
                                    u"--json"_s,
                                    u"--stats"_s,
                                    u"--records"_s,
                                    u"--sort"_s,
                                    u"local"_s,
                                    u"--tree"_s,
                                    log};
        QProcess probe;
        probe.start(u"unshare"_s, {u"--user"_s, u"--map-root-user"_s, u"--mount"_s, u"sh"_s,
                                   u"-c"_s, mountReadOnly, u"sh"_s, folder});
        const bool namespaces = probe.waitForFinished(10000) &&
                                probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"LC_ALL"_s, u"C"_s);
        env.insert(u"HOME"_s, home);
        for (const char* xdg :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            env.insert(QString::fromLatin1(xdg), home + u"/."_s + QString::fromLatin1(xdg));
        run.setProcessEnvironment(env);
        if (namespaces)
            run.start(u"unshare"_s, QStringList{u"--user"_s, u"--map-root-user"_s, u"--mount"_s,
                                                u"sh"_s, u"-c"_s, script, u"sh"_s, folder} +
                                        report);
        else
            run.start(report.front(), report.mid(1));
        QVERIFY(run.waitForFinished(60000));
        const QString err = QString::fromUtf8(run.readAllStandardError());
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(err, u"5 bad records were ignored\n"_s);
        const QJsonObject json = QJsonDocument::fromJson(run.readAllStandardOutput()).object();
        QCOMPARE(json[u"stats"_s].toObject()[u"Total Files"_s].toString(), u"31"_s);
        bool found = false;
        for (const QJsonValue record : json[u"records"_s].toArray())
            found |= record.toObject()[u"LocalName"_s].toString() == u"C:\\Müsic\\€ 日本.mp3"_s;
        QVERIFY(found);
        QVERIFY(!json[u"tree"_s].toArray().isEmpty());

        QCOMPARE(Snapshot(dir.path()), before);
        QVERIFY(QDir(home).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        if (!namespaces)
            QSKIP("no mount namespace here: checked on a read-only-permission file only");
#endif
    }
};

QTEST_APPLESS_MAIN(tst_Report)
#include "tst_Report.moc"
