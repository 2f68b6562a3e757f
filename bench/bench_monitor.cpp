// The window's longest event-loop stall while it monitors GetRight through the Wine bridge,
// against a fake GetRight that answers, one that hangs inside a request, and one that stays
// alive but never answers. A 10 ms timer in the window's process measures the gaps.
//   bench_monitor [SECONDS] [--inline]   (default 10 a state; needs Wine and the mingw-w64
//   helpers; --inline asks GetRight on the window's own thread, for comparison)
#include "TestSupport.h"
#include "monitor/WinePrefixRig.h"
#include "platform/BridgeFeed.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct Stall {
    double LongestMs = 0;
    double MeanMs = 0;
    int Ticks = 0;
};

// Runs the window's event loop for seconds with a 10 ms timer, and the gaps between its
// firings.
Stall Measure(int seconds) {
    Stall stall;
    QElapsedTimer clock;
    QElapsedTimer since;
    clock.start();
    since.start();
    double total = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const double gap = double(since.nsecsElapsed()) / 1e6;
        since.restart();
        stall.LongestMs = std::max(stall.LongestMs, gap - 10);
        total += gap;
        ++stall.Ticks;
    });
    probe.start();
    while (clock.elapsed() < seconds * 1000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    stall.MeanMs = stall.Ticks ? total / stall.Ticks - 10 : 0;
    return stall;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (!qEnvironmentVariableIsSet("QUILLAN_SOURCE_DIR"))
        qputenv("QUILLAN_SOURCE_DIR", QUILLAN_SOURCE_DIR);
    const int seconds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10;
    const bool inlineRounds = argc > 2 && QByteArray(argv[2]) == "--inline";
    const QString missing = WinePrefixRig::Missing({QUILLAN_BRIDGE_EXE, FAKE_GETRIGHT_EXE});
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "bench_monitor: %s\n", qPrintable(missing));
        return 1;
    }
    WinePrefixRig rig;
    if (!rig.Create()) {
        std::fprintf(stderr, "bench_monitor: no Wine prefix\n");
        return 1;
    }
    std::printf("%-34s %14s %12s %8s\n", "GetRight", "longest stall", "mean extra", "ticks");
    const std::pair<const char*, QStringList> states[] = {
        {"answers (three downloads)", {u"a.zip|2048|50|x"_s, u"b.exe|1|75%|"_s, u"c|1|9|"_s}},
        {"hangs inside a request", {u"--hang"_s, u"1"_s, u"a|1|b|"_s}},
        {"alive but never answers", {u"--silent"_s, u"a|1|b|"_s}}};
    for (const auto& [name, arguments] : states) {
        QProcess server;
        server.setProcessEnvironment(rig.Environment());
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start(u"wine"_s, QStringList{QStringLiteral(FAKE_GETRIGHT_EXE)}
                                    << arguments << u"--limit"_s << u"120"_s);
        server.waitForReadyRead(30000);

        ShellPlatform platform = ShellPlatform::Headless();
        const QProcessEnvironment environment = rig.Environment();
        platform.Feed = std::make_shared<BridgeFeed>([environment] {
            return BridgeFeed::WineCommand(environment, QStringLiteral(QUILLAN_BRIDGE_EXE));
        });
        platform.Rounds = inlineRounds ? FeedRounds::Inline : FeedRounds::OnWorkerThread;
        {
            frmMain window(platform);
            window.Form_Load();
            window.show();
            window.OpenLog(TestSupport::SampleLog());
            window.Controls().chkMonitor->setChecked(true);
            const Stall stall = Measure(seconds);
            std::printf("%-34s %11.1f ms %9.2f ms %8d\n", name, stall.LongestMs, stall.MeanMs,
                        stall.Ticks);
            std::fflush(stdout);
        }
        server.closeWriteChannel();
        if (!server.waitForFinished(5000)) server.kill();
        server.waitForFinished(2000);
    }
    return 0;
}
