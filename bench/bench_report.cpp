// The report page on a generated log of a million lines: its size, the time
// `quillan-report --html` takes against `--stats` on the same file, and the time a headless
// Chromium takes to open it and run its script, against the same browser on an empty page.
//   bench_report [LINES]   (default 1000000)
#include "LogGenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Best wall time of `runs` runs of a command, in milliseconds.
double BestMs(const QString& program, const QStringList& args, int runs = 3) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(program, args);
        process.waitForFinished(-1);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

QStringList Headless(const QString& profile) {
    return {u"--headless"_s,
            u"--no-sandbox"_s,
            u"--disable-gpu"_s,
            u"--no-first-run"_s,
            u"--disable-background-networking"_s,
            u"--disable-component-update"_s,
            u"--disable-sync"_s,
            u"--user-data-dir="_s + profile,
            u"--dump-dom"_s};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTemporaryDir dir;
    const QString log = dir.filePath(u"bench.log"_s);
    {
        std::FILE* out = std::fopen(QFile::encodeName(log).constData(), "wb");
        LogGeneratorOptions options;
        options.Lines = lines;
        GenerateLog(out, options);
        std::fclose(out);
    }
    const QString report = QStringLiteral(QUILLAN_REPORT_PATH);
    const QString page = dir.filePath(u"report.html"_s);
    const double stats = BestMs(report, {u"--stats"_s, u"--locale"_s, u"en_US"_s, log});
    const double html = BestMs(report, {u"--html"_s, page, u"--locale"_s, u"en_US"_s, log});
    const double csv =
        BestMs(report, {u"--csv"_s, dir.filePath(u"report.csv"_s), u"--locale"_s, u"en_US"_s, log});
    std::printf("log: %lld lines, %.1f MB\n", lines, double(QFileInfo(log).size()) / 1e6);
    std::printf("page: %.1f MB\n", double(QFileInfo(page).size()) / 1e6);
    std::printf("quillan-report --stats %8.0f ms\n", stats);
    std::printf("quillan-report --html  %8.0f ms  (%.2fx --stats)\n", html, html / stats);
    std::printf("quillan-report --csv   %8.0f ms  (%.2fx --stats)\n", csv, csv / stats);

    const QString chromium = QStandardPaths::findExecutable(u"chromium"_s);
    if (chromium.isEmpty()) {
        std::printf("no chromium: the page's opening time is not measured\n");
        return 0;
    }
    const QString empty = dir.filePath(u"empty.html"_s);
    QFile(empty).open(QIODevice::WriteOnly);
    const double bare =
        BestMs(chromium, Headless(dir.filePath(u"p1"_s)) << QUrl::fromLocalFile(empty).toString());
    const double opened =
        BestMs(chromium, Headless(dir.filePath(u"p2"_s)) << QUrl::fromLocalFile(page).toString());
    std::printf("chromium, empty page   %8.0f ms\n", bare);
    std::printf("chromium, the report   %8.0f ms  (%.0f ms beyond the empty page)\n", opened,
                opened - bare);
    return 0;
}
