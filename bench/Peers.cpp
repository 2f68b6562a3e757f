#include "Peers.h"

#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

double Ms(const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; }

const char* const AwkScript =
    "/File: / { f++; next } "
    "/Resumed:/ { r++; i = index($0, \"at: \"); if (i) k += substr($0, i + 4) / 1024; next } "
    "/Could not resume \\(restarting from 0\\):/ || /\\(Re\\)Started/ { s++; next } "
    "/Finished downloading/ { c++ } "
    "END { printf \"%d %d %d %d %d\\n\", f, r, s, c, k }";

} // namespace

ChildRun RunChild(const std::vector<QByteArray>& args, bool quiet) {
    std::vector<QByteArray> words = args;
    std::vector<char*> argv;
    for (QByteArray& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    ChildRun run;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        if (quiet) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.CpuMs = Ms(usage.ru_utime) + Ms(usage.ru_stime);
        run.PeakMb = double(usage.ru_maxrss) / 1024.0;
    }
    run.WallMs = double(timer.nsecsElapsed()) / 1e6;
    return run;
}

ChildRun BestOf(const std::vector<QByteArray>& args, int runs) {
    ChildRun best;
    best.WallMs = best.CpuMs = 1e300;
    for (int i = 0; i < runs; ++i) {
        const ChildRun run = RunChild(args);
        best.Status = run.Status;
        best.WallMs = std::min(best.WallMs, run.WallMs);
        best.CpuMs = std::min(best.CpuMs, run.CpuMs);
        best.PeakMb = std::max(best.PeakMb, run.PeakMb);
    }
    return best;
}

Peers RunPeers(const QString& log, int runs) {
    const QByteArray file = QFile::encodeName(log);
    Peers peers;
    peers.Wc = BestOf({"wc", "-l", file}, runs);
    peers.Mawk = BestOf({"mawk", AwkScript, file}, runs);
    peers.Gawk = BestOf({"gawk", AwkScript, file}, runs);
    peers.Report = BestOf({QUILLAN_REPORT_PATH, "--stats", "--locale", "en_US", file}, runs);
    return peers;
}

void PrintPeers(const Peers& peers, double fileMb) {
    const double report = peers.Report.WallMs;
    std::printf("wc -l %.0f ms, ", peers.Wc.WallMs);
    for (const auto& [name, awk] : {std::pair{"mawk", &peers.Mawk}, {"gawk", &peers.Gawk}})
        if (Ran(*awk)) std::printf("%s %.0f ms, ", name, awk->WallMs);
    std::printf("quillan-report --stats %.0f ms = %.1f x wc -l, ", report,
                report / std::max(peers.Wc.WallMs, 1.0));
    for (const auto& [name, awk] : {std::pair{"mawk", &peers.Mawk}, {"gawk", &peers.Gawk}})
        if (Ran(*awk)) std::printf("%.2f x %s, ", report / std::max(awk->WallMs, 1.0), name);
    std::printf("peak %.2f x the file\n", peers.Report.PeakMb / fileMb);
}
