// Replays the fuzz corpus and every input that once broke the pipeline, without libFuzzer,
// so that the ordinary and the sanitizer builds keep them fixed.
#include "Pipeline.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString FuzzDir() { return TestSupport::SourceDir() + u"/tests/fuzz"_s; }

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

QStringList FilesIn(const QString& folder) {
    QStringList paths;
    const QDir dir(FuzzDir() + u'/' + folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

FuzzPipeline::Summary RunFile(const QString& path) {
    QTemporaryDir work;
    if (!work.isValid()) qFatal("no temporary folder");
    return FuzzPipeline::Run(ReadAll(path), work.path());
}

} // namespace

class tst_FuzzRegression : public QObject {
    Q_OBJECT
private slots:
    void replay_data() {
        QTest::addColumn<QString>("path");
        const QStringList files = FilesIn(u"corpus"_s) + FilesIn(u"regressions"_s);
        QVERIFY2(files.size() > 10, "the seed corpus is missing");
        for (const QString& path : files)
            QTest::newRow(qPrintable(QDir(FuzzDir()).relativeFilePath(path))) << path;
    }

    // No input may crash the pipeline, break a tree or make a build raise.
    void replay() {
        QFETCH(QString, path);
        const FuzzPipeline::Summary summary = RunFile(path);
        const QStringList faults = summary.Problems + summary.BuildErrors;
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
    }

    // The sample log reaches every step, so a pipeline that quietly stops early shows here
    // rather than as a fuzzer that never gets past the loader.
    void sampleLogReachesEveryStep() {
        const FuzzPipeline::Summary summary = RunFile(TestSupport::SampleLog());
        QVERIFY(summary.Loaded);
        QVERIFY(summary.PassCompleted);
        QVERIFY(summary.Records > 5);
        QVERIFY(summary.MostNodes > 3 * summary.Records);
        QVERIFY(summary.SearchHits > 0);
        QVERIFY(summary.Executes > 0);
    }

    // The seeds start the fuzzer at each outcome: nothing kept, a pass that ends early,
    // a pass that completes with records.
    void corpusCoversEveryOutcome() {
        int notLoaded = 0, endedEarly = 0, completed = 0;
        for (const QString& path : FilesIn(u"corpus"_s)) {
            const FuzzPipeline::Summary summary = RunFile(path);
            if (!summary.Loaded)
                ++notLoaded;
            else if (!summary.PassCompleted)
                ++endedEarly;
            else if (summary.Records > 0)
                ++completed;
        }
        QVERIFY(notLoaded > 0);
        QVERIFY(endedEarly > 0);
        QVERIFY(completed > 0);
    }
};

QTEST_GUILESS_MAIN(tst_FuzzRegression)
#include "tst_FuzzRegression.moc"
