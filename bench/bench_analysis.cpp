// Times LoadLogFile and the analysis pass on generated logs of 10 thousand, 100 thousand and
// a million lines, against `wc -l` on the same file, and the whole `quillan-report --stats`
// run against a one-pass awk count.
#include "LogGenerator.h"
#include "analysis/LogAnalysis.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Best wall time of `runs` runs of a command, in milliseconds.
double TimeCommand(const QString& program, const QStringList& args, int runs = 3) {
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

// Child mode: load and analyse one file, print "load_ms pass_ms peak_kb".
int Measure(const QString& path) {
    const long before = PeakKb();
    LogAnalysis analysis(LocaleFormats::Named(u"en_US"_s));
    QElapsedTimer timer;
    timer.start();
    const LoadOutcome load = analysis.LoadLogFile(path);
    const double loadMs = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    const PassOutcome pass = analysis.RunPass();
    const double passMs = double(timer.nsecsElapsed()) / 1e6;
    if (load.Result != LoadOutcome::Kind::Loaded || !pass.Completed) {
        std::fprintf(stderr, "load or pass failed: %s\n", qPrintable(pass.Reason));
        return 1;
    }
    std::printf("%.1f %.1f %ld %ld %d\n", loadMs, passMs, PeakKb(), before, analysis.Entries.Count());
    return 0;
}

const char* const AwkScript =
    "/File: / { f++; next } "
    "/Resumed:/ { r++; i = index($0, \"at: \"); if (i) k += substr($0, i + 4) / 1024; next } "
    "/Could not resume \\(restarting from 0\\):/ || /\\(Re\\)Started/ { s++; next } "
    "/Finished downloading/ { c++ } "
    "END { printf \"%d %d %d %d %d\\n\", f, r, s, c, k }";

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == u"--measure"_s)
        return Measure(args[2]);

    QList<qint64> sizes = {10000, 100000, 1000000};
    if (args.size() >= 2) {
        sizes.clear();
        for (const QString& s : args[1].split(u','))
            sizes << s.toLongLong();
    }
    QTemporaryDir dir;
    std::printf("%10s %9s %8s %8s %8s %12s %7s %9s %9s %10s %9s %7s\n", "lines", "MB", "wc ms",
                "load ms", "pass ms", "lines/s", "x wc", "peak MB", "x file", "report ms",
                "awk ms", "x awk");
    for (qint64 lines : sizes) {
        const QString path = dir.filePath(u"gen-%1.log"_s.arg(lines));
        std::FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
        LogGeneratorOptions options;
        options.Lines = lines;
        GenerateLog(out, options);
        std::fclose(out);
        const double megabytes = double(QFileInfo(path).size()) / (1024.0 * 1024.0);

        const double wcMs = TimeCommand(u"wc"_s, {u"-l"_s, path});
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {u"--measure"_s, path});
        child.waitForFinished(-1);
        const QStringList figures = QString::fromUtf8(child.readAllStandardOutput()).split(u' ');
        if (figures.size() < 5) {
            std::fprintf(stderr, "measuring %lld lines failed\n", lines);
            return 1;
        }
        const double loadMs = figures[0].toDouble();
        const double passMs = figures[1].toDouble();
        const double peakMb = figures[2].toDouble() / 1024.0;
        const double reportMs = TimeCommand(QStringLiteral(QUILLAN_REPORT_PATH),
                                            {u"--stats"_s, u"--locale"_s, u"en_US"_s, path});
        const double awkMs = TimeCommand(u"awk"_s, {QString::fromLatin1(AwkScript), path});
        std::printf("%10lld %9.1f %8.1f %8.1f %8.1f %12.0f %7.1f %9.1f %9.2f %10.1f %9.1f %7.2f\n",
                    lines, megabytes, wcMs, loadMs, passMs,
                    double(lines) / ((loadMs + passMs) / 1000.0), (loadMs + passMs) / wcMs,
                    peakMb, peakMb / megabytes, reportMs, awkMs, reportMs / awkMs);
        std::fflush(stdout);
    }
    return 0;
}
