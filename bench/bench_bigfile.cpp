// A log of about a gigabyte, generated into a temporary folder: the peak memory of the
// report tool (load and analysis) and of the window (load, analysis and the tree), each in
// a process of its own, against the file's size; and how the window answers its event
// loop along the way: when each yield comes, and the longest stretch without one. The
// window runs as often as each peer, and its best run is the one set against theirs.
//
//   bench_bigfile [MEGABYTES]      (default 1024)
//   bench_bigfile --window LOG OUT (the window's part, run by the first form; it writes
//                                   the seconds from open to the tree shown to OUT)
#include "LogGenerator.h"
#include "Peers.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double ResidentMb() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The window's part: opening the log (load, pass, yield, rebuild with its yield), then
// "Re-read Log" (load, yield, pass, yield, rebuild with its yield). A 20 ms clock stands
// for the user's input; its longest silence is the longest the window kept them waiting.
int WindowPart(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[2]);

    QElapsedTimer clock;
    std::vector<double> yields;
    std::vector<double> residentAtYield;
    ShellPlatform platform = ShellPlatform::Headless();
    platform.DoEvents = [&, inner = platform.DoEvents] {
        yields.push_back(double(clock.nsecsElapsed()) / 1e9);
        residentAtYield.push_back(ResidentMb());
        inner();
    };
    frmMain window(platform);
    window.Form_Load();
    window.show();
    QCoreApplication::processEvents();

    double last = 0, longest = 0;
    QTimer heartbeat;
    heartbeat.setInterval(20);
    QObject::connect(&heartbeat, &QTimer::timeout, &heartbeat, [&] {
        const double now = double(clock.nsecsElapsed()) / 1e9;
        longest = std::max(longest, now - last);
        last = now;
    });

    auto road = [&](const char* name, auto&& command) {
        yields.clear();
        residentAtYield.clear();
        clock.start();
        last = 0;
        longest = 0;
        heartbeat.start();
        command();
        QCoreApplication::processEvents();
        const double total = double(clock.nsecsElapsed()) / 1e9;
        heartbeat.stop();
        std::printf("%-14s %6.1f s; yields at", name, total);
        for (const double y : yields)
            std::printf(" %.1f", y);
        std::printf(" s; longest wait for the event loop %.1f s\n",
                    std::max(longest, total - last));
        std::printf("%-14s resident MB at each yield:", "");
        for (const double mb : residentAtYield)
            std::printf(" %.0f", mb);
        std::printf(", at the end %.0f\n", ResidentMb());
        return total;
    };
    const double opened = road("open the log:", [&] { window.OpenLog(path); });
    if (QFile out(QString::fromLocal8Bit(argv[3])); out.open(QIODevice::WriteOnly))
        out.write(QByteArray::number(opened));
    road("re-read:", [&] { window.cmdReRead_Click(); });
    std::printf("%d records, %d tree nodes\n", window.Analysis().Entries().Count(),
                window.Tree().Count());
    std::fflush(stdout);
    std::_Exit(0); // the memory goes back with the process; freeing it only adds time
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--window") == 0) return WindowPart(argc, argv);

    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    if (megabytes <= 0) {
        std::fprintf(stderr, "usage: bench_bigfile [MEGABYTES]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QByteArray log = QFile::encodeName(dir.filePath(u"big.log"_s));
    LogGeneratorOptions options;
    options.Lines = megabytes * 1024 * 1024 / 70; // the generator's lines average about 70 bytes
    QElapsedTimer timer;
    timer.start();
    std::FILE* out = std::fopen(log.constData(), "wb");
    if (!out) return 1;
    GenerateLog(out, options);
    std::fclose(out);
    const double fileMb = double(QFileInfo(QFile::decodeName(log)).size()) / (1024.0 * 1024.0);
    std::printf("generated %lld lines, %.0f MB, in %.1f s\n", qlonglong(options.Lines), fileMb,
                double(timer.nsecsElapsed()) / 1e9);
    std::fflush(stdout);

    const Peers peers = RunPeers(QFile::decodeName(log));
    PrintPeers(peers, fileMb);
    std::fflush(stdout);
    // The window runs as often as the report tool did, and is judged the same way: by its
    // best time (and its largest peak). The first run meets the memory the peers just
    // gave back; the worst run is shown too.
    const QByteArray openedFile = QFile::encodeName(dir.filePath(u"opened"_s));
    double bestOpenS = 1e300, worstOpenS = 0;
    ChildRun window;
    window.WallMs = 1e300;
    for (int run = 0; run < PeerRuns; ++run) {
        const ChildRun one = RunChild(
            {QFile::encodeName(QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath()),
             "--window", log, openedFile},
            false);
        QFile opened(QFile::decodeName(openedFile));
        const double openS = opened.open(QIODevice::ReadOnly) ? opened.readAll().toDouble() : -1;
        bestOpenS = std::min(bestOpenS, openS);
        worstOpenS = std::max(worstOpenS, openS);
        window.Status = std::max(window.Status, one.Status);
        window.WallMs = std::min(window.WallMs, one.WallMs);
        window.PeakMb = std::max(window.PeakMb, one.PeakMb);
    }
    std::printf("window, best of %d: %.1f s in all, peak %.0f MB = %.2f x the file (target <= 3); "
                "open to tree shown %.1f s (worst %.1f s) = %.2f x quillan-report --stats "
                "(target <= 2) (status %d)\n",
                PeerRuns, window.WallMs / 1e3, window.PeakMb, window.PeakMb / fileMb, bestOpenS,
                worstOpenS, bestOpenS * 1e3 / peers.Report.WallMs, window.Status);
    return 0;
}
