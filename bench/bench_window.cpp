// Times the window against the plain work it wraps, offscreen: "Re-read Log" to the tree
// shown with node 1 selected, a sort switch on screen, and painting one screen of rows of
// the full tree.
//
//   bench_window [LOGFILE]      (without a file: a generated log of a million lines)
#include "LogGenerator.h"
#include "Peers.h"
#include "analysis/LogAnalysis.h"
#include "shell/frmMain.h"
#include "view/TreeBuilds.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

template <class Work> double Ms(Work&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath(u"big.log"_s);
    if (argc <= 1) {
        LogGeneratorOptions options;
        options.Lines = 1000000;
        std::FILE* out = std::fopen(path.toLocal8Bit().constData(), "wb");
        if (!out) return 1;
        GenerateLog(out, options);
        std::fclose(out);
    }

    PrintPeers(RunPeers(path), double(QFileInfo(path).size()) / (1024.0 * 1024.0));
    // The plain road: load, pass, build; then a switch to by-name.
    LogAnalysis plain;
    TreeModel tree;
    PopulateHost quiet;
    SortOrder mode = SortOrder::NoSort;
    const double plainRoad = Ms([&] {
        plain.LoadAndRunPass(path); // as the window does
        ::PopulateTree(tree, mode, plain, quiet);
    });
    const double plainSort =
        Ms([&] { SortButtonClick(SortOrder::ByName, mode, tree, plain, quiet); });

    frmMain window(ShellPlatform::Headless());
    window.Form_Load();
    window.show();
    window.OpenLog(path);
    const double windowRoad = Ms([&] {
        window.cmdReRead_Click();
        QCoreApplication::processEvents(); // the tree painted
    });
    const bool selected =
        window.Tree().Selected() == 1 && window.TreeView()->currentIndex().internalId() == 1;
    const double windowSort = Ms([&] {
        window.cmdSort_Click(SortOrder::ByName);
        QCoreApplication::processEvents();
    });

    QTreeView* view = window.TreeView();
    QScrollBar* bar = view->verticalScrollBar();
    const int frames = 50;
    double paintWorst = 0, paintTotal = 0;
    for (int i = 0; i < frames; ++i) {
        bar->setValue(bar->maximum() / frames * i);
        const double ms = Ms([&] { view->viewport()->repaint(); });
        paintWorst = std::max(paintWorst, ms);
        paintTotal += ms;
    }

    std::printf("log: %d records, %d nodes\n", plain.Entries().Count(), tree.Count());
    std::printf("re-read to tree shown:  window %8.1f ms   plain %8.1f ms   ratio %.2f%s\n",
                windowRoad, plainRoad, windowRoad / plainRoad,
                selected ? "" : "   (node 1 NOT selected)");
    std::printf("sort switch to by-name: window %8.1f ms   plain %8.1f ms   ratio %.2f\n",
                windowSort, plainSort, windowSort / plainSort);
    std::printf("one screen of rows painted: mean %.2f ms, worst %.2f ms (%d positions)\n",
                paintTotal / frames, paintWorst, frames);
    return 0;
}
