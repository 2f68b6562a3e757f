// Times the five tree builds, the sort switches between them and a search that matches
// nothing, against the analysis pass on the same log, and weighs the tree against Entries.
//
//   bench_tree [LOGFILE]      (without a file: a generated log of a million lines)
#include "LogGenerator.h"
#include "Peers.h"
#include "analysis/LogAnalysis.h"
#include "platform/Memory.h"
#include "view/TreeBuilds.h"
#include "view/TreeSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <malloc.h>
#include <time.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Bytes the heap has handed out and not had back, and the large blocks mapped beside it.
double AllocatedMb() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd + PlatformMemory::MappedBytes()) / (1024.0 * 1024.0);
}

// Wall time and this thread's processor time: on a busy machine the second still says
// what the work itself costs.
class Stopwatch {
public:
    Stopwatch() { Restart(); }
    void Restart() {
        m_Wall.start();
        m_Cpu = CpuNs();
    }
    double WallMs() const { return double(m_Wall.nsecsElapsed()) / 1e6; }
    double CpuMs() const { return double(CpuNs() - m_Cpu) / 1e6; }

private:
    static qint64 CpuNs() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
    QElapsedTimer m_Wall;
    qint64 m_Cpu = 0;
};

const char* ModeName(SortOrder mode) {
    switch (mode) {
    case SortOrder::NoSort:
        return "none";
    case SortOrder::ByDate:
        return "date";
    case SortOrder::ByName:
        return "name";
    case SortOrder::ByURL:
        return "url";
    case SortOrder::ByLocal:
        return "local";
    }
    return "?";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QString path;
    if (argc >= 2) {
        path = QString::fromLocal8Bit(argv[1]);
    } else {
        path = dir.filePath(u"bench-tree.log"_s);
        std::FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
        LogGeneratorOptions options;
        options.Lines = 1000000;
        GenerateLog(out, options);
        std::fclose(out);
    }

    PrintPeers(RunPeers(path), double(QFileInfo(path).size()) / (1024.0 * 1024.0));
    LogAnalysis analysis(LocaleFormats::Named(u"en_US"_s));
    Stopwatch timer;
    if (analysis.LoadLogFile(path).Result != LoadOutcome::Kind::Loaded) {
        std::fprintf(stderr, "cannot load %s\n", qPrintable(path));
        return 1;
    }
    const double loadMs = timer.WallMs();
    const double beforePass = AllocatedMb();
    timer.Restart();
    if (!analysis.RunPass().Completed) {
        std::fprintf(stderr, "the pass ended early\n");
        return 1;
    }
    const double passMs = timer.WallMs();
    const double passCpu = timer.CpuMs();
    const double entriesMb = AllocatedMb() - beforePass;
    std::printf("log %s: %d records; load %.1f ms, pass %.1f ms (cpu %.1f ms); Entries %.1f MB\n",
                qPrintable(path), analysis.Entries().Count(), loadMs, passMs, passCpu, entriesMb);
    std::printf("targets: build and switch <= 2x pass, search <= 0.25x, tree <= %.1f MB (1.0x "
                "Entries); ratios are of processor time\n\n",
                entriesMb);
    std::printf("%-13s %9s %9s %8s %9s %9s %8s %8s %8s\n", "click", "build ms", "cpu ms", "x pass",
                "settle ms", "cpu ms", "both x", "tree MB", "x Entr");

    TreeModel tree;
    SortOrder sortMode = SortOrder::NoSort;
    PopulateHost host;
    const double emptyTree = AllocatedMb();
    // Start-up's build, then every button once and back to "No Sort", which after "By
    // Local" adds its roots to a sorted root level.
    const SortOrder clicks[] = {SortOrder::NoSort, SortOrder::ByDate,  SortOrder::ByName,
                                SortOrder::ByURL,  SortOrder::ByLocal, SortOrder::NoSort};
    bool first = true;
    for (const SortOrder button : clicks) {
        timer.Restart();
        if (first)
            PopulateTree(tree, sortMode, analysis, host);
        else
            SortButtonClick(button, sortMode, tree, analysis, host);
        const double buildMs = timer.WallMs();
        const double buildCpu = timer.CpuMs();
        // The first read of the display order settles what the build left lazy.
        timer.Restart();
        qint64 shown = 0;
        tree.ForEachDisplayed([&](qint32, qint32) { ++shown; });
        const double settleMs = timer.WallMs();
        const double settleCpu = timer.CpuMs();
        const double treeMb = AllocatedMb() - emptyTree;
        char label[32];
        std::snprintf(label, sizeof label, "%s%s", first ? "start " : "-> ", ModeName(button));
        std::printf("%-13s %9.1f %9.1f %8.2f %9.1f %9.1f %8.2f %8.1f %8.2f\n", label, buildMs,
                    buildCpu, buildCpu / passCpu, settleMs, settleCpu,
                    (buildCpu + settleCpu) / passCpu, treeMb, treeMb / entriesMb);
        first = false;
    }

    std::printf("\n%-28s %9s %9s %8s\n", "search (nothing matches)", "ms", "cpu ms", "x pass");
    qint32 curLine = 0;
    SearchHost searchHost;
    for (const bool matchCase : {false, true}) {
        tree.Select(1);
        timer.Restart();
        const SearchOutcome outcome = SearchFromTop(tree, u"\u00a7no such text\u00a7"_s, matchCase,
                                                    analysis.Formats(), curLine, searchHost);
        std::printf("%-28s %9.1f %9.1f %8.3f%s\n",
                    matchCase ? "  case respected" : "  case ignored", timer.WallMs(),
                    timer.CpuMs(), timer.CpuMs() / passCpu, outcome.Found ? "  (matched?)" : "");
    }
    return 0;
}
