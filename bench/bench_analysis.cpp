// Times LoadLogFile and the analysis pass on generated logs of 10 thousand, 100 thousand and
// a million lines, against `wc -l` on the same file, and the whole `quillan-report --stats`
// run against a one-pass awk count, with the peak memory of each against the file's size.
//
//   bench_analysis [LINES[,LINES...] [SHAPE[,SHAPE...]]]   (shapes: mix files repeats longdates)
#include "LogGenerator.h"
#include "Peers.h"
#include "analysis/LogAnalysis.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Ms(const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; }

// Processor time (user + system) used so far, in milliseconds. On a shared machine it is a
// steadier measure than the wall clock, which also counts the time other work had the CPU.
double CpuMs(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return Ms(usage.ru_utime) + Ms(usage.ru_stime);
}

// Child mode: load and analyse one file, print the wall and processor times of both steps,
// the peak memory and the record count.
int Measure(const QString& path) {
    const long before = PeakKb();
    LogAnalysis analysis(LocaleFormats::Named(u"en_US"_s));
    QElapsedTimer timer;
    timer.start();
    double cpu = CpuMs(RUSAGE_SELF);
    const LoadOutcome load = analysis.LoadLogFile(path);
    const double loadMs = double(timer.nsecsElapsed()) / 1e6;
    const double loadCpu = CpuMs(RUSAGE_SELF) - cpu;
    timer.restart();
    cpu = CpuMs(RUSAGE_SELF);
    const PassOutcome pass = analysis.RunPass();
    const double passMs = double(timer.nsecsElapsed()) / 1e6;
    const double passCpu = CpuMs(RUSAGE_SELF) - cpu;
    if (load.Result != LoadOutcome::Kind::Loaded || !pass.Completed) {
        std::fprintf(stderr, "load or pass failed: %s\n", qPrintable(pass.Reason));
        return 1;
    }
    std::printf("%.1f %.1f %ld %ld %d %.1f %.1f\n", loadMs, passMs, PeakKb(), before,
                analysis.Entries().Count(), loadCpu, passCpu);
    return 0;
}

// Child mode: the report tool's one sweep (load and pass together, no lines kept); prints
// its wall and processor time and the peak memory.
int MeasureSweep(const QString& path) {
    LogAnalysis analysis(LocaleFormats::Named(u"en_US"_s));
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuMs(RUSAGE_SELF);
    const auto [load, pass] = analysis.LoadAndRunPass(path);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const double used = CpuMs(RUSAGE_SELF) - cpu;
    if (load.Result != LoadOutcome::Kind::Loaded || !pass.Completed) return 1;
    std::printf("%.1f %.1f %ld\n", ms, used, PeakKb());
    return 0;
}

// The best of three runs of a child mode, by processor time in the given field.
QStringList BestChild(const QString& mode, const QString& path, int fields, int cpuField,
                      int otherCpuField = -1) {
    QStringList best;
    double bestCpu = 1e300;
    for (int run = 0; run < 3; ++run) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {mode, path});
        child.waitForFinished(-1);
        const QStringList f =
            QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(u' ');
        if (f.size() < fields) return {};
        const double cpu =
            f[cpuField].toDouble() + (otherCpuField >= 0 ? f[otherCpuField].toDouble() : 0.0);
        if (cpu < bestCpu) {
            bestCpu = cpu;
            best = f;
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == u"--measure"_s) return Measure(args[2]);
    if (args.size() == 3 && args[1] == u"--measure-sweep"_s) return MeasureSweep(args[2]);

    QList<qint64> sizes = {10000, 100000, 1000000};
    if (args.size() >= 2) {
        sizes.clear();
        for (const QString& s : args[1].split(u','))
            sizes << s.toLongLong();
    }
    QList<QByteArray> shapes = {"mix"};
    if (args.size() >= 3) shapes = args[2].toLatin1().split(',');
    QTemporaryDir dir;
    std::printf(
        "Wall-clock milliseconds, best of three, with processor time (user + system) in\n"
        "brackets. Load and pass (the two steps, the lines kept in between): ratio to wc -l of\n"
        "processor time, peak of the measuring process. One sweep (how the window and the\n"
        "report tool load and analyse; target <= 5 x wc -l of processor time): the same, and\n"
        "its peak against the file. report --stats: ratios of wall time to wc -l (target <= 8)\n"
        "and to awk (target <= 0.5; under mawk and GNU awk, - where one is missing), and its\n"
        "own peak against the file (target <= 2).\n");
    std::printf("%-9s %9s %6s %13s %13s %13s %6s %7s %6s %13s %6s %6s %13s %6s %13s %6s %13s "
                "%6s %6s\n",
                "shape", "lines", "MB", "wc -l", "load", "pass", "x wc", "peak MB", "x file",
                "one sweep", "x wc", "x file", "report", "x wc", "mawk", "x mawk", "gawk", "x gawk",
                "x file");
    for (const QByteArray& shapeName : shapes)
        for (qint64 lines : sizes) {
            LogGeneratorOptions options;
            options.Lines = lines;
            if (!ParseLogShape(shapeName.constData(), options.Shape)) {
                std::fprintf(stderr, "unknown shape %s\n", shapeName.constData());
                return 1;
            }
            const QString path =
                dir.filePath(u"gen-%1-%2.log"_s.arg(QLatin1StringView(shapeName)).arg(lines));
            std::FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
            GenerateLog(out, options);
            std::fclose(out);
            const double megabytes = double(QFileInfo(path).size()) / (1024.0 * 1024.0);

            const Peers peers = RunPeers(path);
            const ChildRun &wc = peers.Wc, &report = peers.Report;
            // The best of three child runs, each measuring load and pass on its own, then
            // the one sweep the report tool makes.
            const QStringList figures = BestChild(u"--measure"_s, path, 7, 5, 6);
            const QStringList sweep = BestChild(u"--measure-sweep"_s, path, 3, 1);
            if (figures.isEmpty() || sweep.isEmpty()) {
                std::fprintf(stderr, "measuring %lld lines failed\n", lines);
                return 1;
            }
            const double loadMs = figures[0].toDouble(), passMs = figures[1].toDouble();
            const double loadCpu = figures[5].toDouble(), passCpu = figures[6].toDouble();
            const double peakMb = figures[2].toDouble() / 1024.0;
            auto both = [](double wall, double cpu) {
                static char text[8][32];
                static int next = 0;
                char* t = text[next++ % 8];
                std::snprintf(t, 32, "%.0f (%.0f)", wall, cpu);
                return t;
            };
            auto awk = [&](const ChildRun& run) {
                return Ran(run) ? both(run.WallMs, run.CpuMs) : "-";
            };
            auto versus = [&](const ChildRun& run) {
                static char text[2][16];
                static int next = 0;
                char* t = text[next++ % 2];
                if (!Ran(run)) return "-";
                std::snprintf(t, 16, "%.2f", report.WallMs / std::max(run.WallMs, 1.0));
                return static_cast<const char*>(t);
            };
            const double sweepCpu = sweep[1].toDouble();
            std::printf("%-9s %9lld %6.1f %13s %13s %13s %6.1f %7.1f %6.2f %13s %6.1f %6.2f %13s "
                        "%6.1f %13s %6s %13s %6s %6.2f\n",
                        shapeName.constData(), lines, megabytes, both(wc.WallMs, wc.CpuMs),
                        both(loadMs, loadCpu), both(passMs, passCpu),
                        (loadCpu + passCpu) / std::max(wc.CpuMs, 1.0), peakMb, peakMb / megabytes,
                        both(sweep[0].toDouble(), sweepCpu), sweepCpu / std::max(wc.CpuMs, 1.0),
                        sweep[2].toDouble() / 1024.0 / megabytes, both(report.WallMs, report.CpuMs),
                        report.WallMs / std::max(wc.WallMs, 1.0), awk(peers.Mawk),
                        versus(peers.Mawk), awk(peers.Gawk), versus(peers.Gawk),
                        report.PeakMb / megabytes);
            std::fflush(stdout);
        }
    return 0;
}
