// Times the five tree builds, the sort switches between them and a search that matches
// nothing, against the analysis pass on the same log, and weighs the tree against Entries.
//
//   bench_tree [LOGFILE]      (without a file: a generated log of a million lines)
#include "LogGenerator.h"
#include "analysis/LogAnalysis.h"
#include "view/TreeBuilds.h"
#include "view/TreeSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Bytes the allocator has handed out and not had back.
double AllocatedMb() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

double Ms(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

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

    LogAnalysis analysis(LocaleFormats::Named(u"en_US"_s));
    QElapsedTimer timer;
    timer.start();
    if (analysis.LoadLogFile(path).Result != LoadOutcome::Kind::Loaded) {
        std::fprintf(stderr, "cannot load %s\n", qPrintable(path));
        return 1;
    }
    const double loadMs = Ms(timer);
    const double beforePass = AllocatedMb();
    timer.restart();
    if (!analysis.RunPass().Completed) {
        std::fprintf(stderr, "the pass ended early\n");
        return 1;
    }
    const double passMs = Ms(timer);
    const double entriesMb = AllocatedMb() - beforePass;
    std::printf("log %s: %d records; load %.1f ms, pass %.1f ms; Entries %.1f MB\n",
                qPrintable(path), analysis.Entries.Count(), loadMs, passMs, entriesMb);
    std::printf("targets: build and switch <= %.1f ms (2x pass), search <= %.1f ms (0.25x), "
                "tree <= %.1f MB (1.5x Entries)\n\n",
                2 * passMs, 0.25 * passMs, 1.5 * entriesMb);
    std::printf("%-13s %9s %8s %9s %8s %9s %8s\n", "click", "build ms", "x pass", "settle ms",
                "nodes", "tree MB", "x Entr");

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
        timer.restart();
        if (first)
            PopulateTree(tree, sortMode, analysis, host);
        else
            SortButtonClick(button, sortMode, tree, analysis, host);
        const double buildMs = Ms(timer);
        // The first read of the display order settles what the build left lazy.
        timer.restart();
        qint64 shown = 0;
        tree.ForEachDisplayed([&](qint32, qint32) { ++shown; });
        const double settleMs = Ms(timer);
        const double treeMb = AllocatedMb() - emptyTree;
        char label[32];
        std::snprintf(label, sizeof label, "%s%s", first ? "start " : "-> ", ModeName(button));
        std::printf("%-13s %9.1f %8.2f %9.1f %8lld %9.1f %8.2f\n", label, buildMs, buildMs / passMs,
                    settleMs, shown, treeMb, treeMb / entriesMb);
        first = false;
    }

    std::printf("\n%-28s %9s %8s\n", "search (nothing matches)", "ms", "x pass");
    qint32 curLine = 0;
    SearchHost searchHost;
    for (const bool matchCase : {false, true}) {
        tree.Select(1);
        timer.restart();
        const SearchOutcome outcome = SearchFromTop(tree, u"\u00a7no such text\u00a7"_s, matchCase,
                                                    analysis.Formats(), curLine, searchHost);
        const double searchMs = Ms(timer);
        std::printf("%-28s %9.1f %8.3f%s\n", matchCase ? "  case respected" : "  case ignored",
                    searchMs, searchMs / passMs, outcome.Found ? "  (matched?)" : "");
    }
    return 0;
}
