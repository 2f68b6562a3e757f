#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Arbitrary bytes through everything the window does with a log, without a window:
// load from a file, the pass, the statistics, all five tree builds and a run of sort
// clicks, searches and Execute decisions. Shared by the fuzz target and the regression
// test, so that a crash found by one replays in the other.
namespace FuzzPipeline {

struct Summary {
    bool Loaded = false; // at least one line kept
    bool PassCompleted = false;
    qint32 Records = 0;
    qint32 MostNodes = 0; // largest tree built
    qint32 SearchHits = 0;
    qint32 Executes = 0;     // decisions that would run something
    QStringList BuildErrors; // errors a build raised; the window swallows them
    QStringList Problems;    // broken invariants: each one is a fault
};

// workDir must be a writable folder; the log is written there as "input.log".
Summary Run(QByteArrayView bytes, const QString& workDir);

} // namespace FuzzPipeline
