#include "TestSupport.h"
#include "cli/Report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

QString Drain(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    QFile reader;
    reader.open(file, QIODevice::ReadOnly);
    const QString text = QString::fromUtf8(reader.readAll());
    reader.close();
    std::fclose(file);
    return text;
}

// Standard output of one run in en_US; the status and errors are checked where they matter.
struct Output {
    int Status;
    QString Out;
    QString Err;
    QStringList Lines() const { return Out.split(u'\n', Qt::SkipEmptyParts); }
};

Output Tool(const QStringList& options, const QString& log = SampleLog()) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = RunReport(QStringList{u"quillan-report"_s, u"--locale"_s, u"en_US"_s} +
                                     options + QStringList{log},
                                 out, err);
    const QString outText = Drain(out);
    return Output{status, outText, Drain(err)};
}

qsizetype Depth(const QString& line) {
    qsizetype blanks = 0;
    while (blanks < line.size() && line[blanks] == u' ')
        ++blanks;
    return blanks / 2;
}

} // namespace

class tst_ReportTree : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void treeOptionsAndDefault() {
        const Output plain = Tool({});
        QCOMPARE(plain.Status, 0);
        QCOMPARE(plain.Out, Tool({u"--stats"_s}).Out + Tool({u"--tree"_s}).Out);

        // The by-date tree: days, then file names, then the detail lines.
        const QStringList byDate = Tool({u"--sort"_s, u"date"_s, u"--tree"_s}).Lines();
        QCOMPARE(byDate.first(), u"Monday, December 31, 2001"_s);
        QVERIFY(byDate[2].startsWith(u"    Added: "_s));
        for (const QString& line : byDate) {
            QVERIFY(Depth(line) <= 2);
            if (Depth(line) == 0) QVERIFY(line.contains(u"day, "_s));
        }

        // Sequences are successive clicks on one tree.
        const QString byName = Tool({u"--sort=name"_s, u"--tree"_s}).Out;
        QCOMPARE(Tool({u"--sort"_s, u"name,none"_s, u"--tree"_s}).Out, byName);
        QCOMPARE(Tool({u"--sort"_s, u"date,none"_s, u"--tree"_s}).Out, Tool({u"--tree"_s}).Out);
        QVERIFY(byName != Tool({u"--tree"_s}).Out);

        const QStringList nodes = Tool({u"--sort"_s, u"url"_s, u"--nodes"_s}).Lines();
        QCOMPARE(nodes.size(), Tool({u"--sort"_s, u"url"_s, u"--tree"_s}).Lines().size());
        for (qsizetype i = 0; i < nodes.size(); ++i) {
            const QStringList fields = nodes[i].split(u'\t');
            QCOMPARE(fields.size(), 4);
            QCOMPARE(fields[0], QString::number(i + 1));
        }
        QVERIFY(nodes[0].startsWith(u"1\tURL: "_s));
        QVERIFY(nodes[1].startsWith(u"2\tEntry: 1\t5\t"_s));
    }

    void searchAndExecute() {
        const QStringList steps =
            Tool({u"--search"_s, u"ZIP"_s, u"--search-steps"_s, u"top,next,prev,prev"_s}).Lines();
        QCOMPARE(steps.size(), 4);
        QVERIFY(steps[0].section(u'\t', 2).contains(u"zip"_s));
        QVERIFY(steps[1].section(u'\t', 0, 0).toInt() > steps[0].section(u'\t', 0, 0).toInt());
        QCOMPARE(steps[2], steps[0]);
        QCOMPARE(steps[3], steps[0]); // nothing before the first match: the selection stays
        QCOMPARE(Tool({u"--search"_s, u"ZIP"_s, u"--match-case"_s}).Lines(),
                 Tool({u"--search"_s, u"Enter search string..."_s}).Lines());

        const QString url = Tool({u"--nodes"_s}).Lines()[2].section(u'\t', 3).mid(5);
        QCOMPARE(Tool({u"--execute"_s, u"URL Entry: 1"_s}).Out, u"start "_s + url + u'\n');
        QCOMPARE(Tool({u"--execute"_s, u"Local Entry: 1"_s}).Out,
                 u"File has been moved or deleted.\n"_s);
        QVERIFY(Tool({u"--execute"_s, u"Entry: 1"_s}).Out.isEmpty());
        QVERIFY(Tool({u"--execute"_s, u"No such key"_s}).Out.isEmpty());
    }

    void nothingSelected() {
        const QString noRecords =
            WriteFile(dir, u"none.log"_s, CrLf({"12/31/01 10:00:00 - Connecting"}));
        const QString early = WriteFile(dir, u"early.log"_s,
                                        CrLf({"12/31/01 10:00:00 - File: C:\\a=http://h/a",
                                              "12/31/01 10:00:01 - File: nothing"}));
        for (const QString& log : {noRecords, early}) {
            const Output run =
                Tool({u"--tree"_s, u"--nodes"_s, u"--sort"_s, u"name"_s, u"--search"_s, u"a"_s,
                      u"--search-steps"_s, u"top,next"_s, u"--execute"_s, u"Entry: 1"_s},
                     log);
            QCOMPARE(run.Status, 0);
            QCOMPARE(run.Out, u"no selection\nno selection\n"_s);
        }
    }

    void usageAndJson() {
        for (const QStringList& bad :
             {QStringList{u"--sort"_s, u"date,size"_s}, QStringList{u"--search-steps"_s, u"top"_s},
              QStringList{u"--search"_s, u"x"_s, u"--search-steps"_s, u"up"_s},
              QStringList{u"--match-case"_s}}) {
            const Output run = Tool(bad);
            QCOMPARE(run.Status, 2);
            QVERIFY(run.Err.contains(u"Usage: quillan-report"_s));
        }

        const Output json =
            Tool({u"--json"_s, u"--sort"_s, u"url"_s, u"--tree"_s, u"--search"_s, u"readme"_s,
                  u"--search-steps"_s, u"top,prev"_s, u"--execute"_s, u"URL Entry: 1"_s});
        const QJsonObject doc = QJsonDocument::fromJson(json.Out.toUtf8()).object();
        const QJsonArray tree = doc.value(u"tree"_s).toArray();
        QCOMPARE(tree.first()[u"key"_s].toString(), u"URL: ftp://ftp.example.net/pub/docs/"_s);
        const QJsonObject entry = tree.first()[u"children"_s][0].toObject();
        QCOMPARE(entry[u"image"_s].toInt(), 5);
        QCOMPARE(entry[u"children"_s][1][u"key"_s].toString(),
                 u"URL "_s + entry[u"key"_s].toString());
        const QJsonArray search = doc.value(u"search"_s).toArray();
        QCOMPARE(search.size(), 2);
        QCOMPARE(search[1][u"step"_s].toString(), u"prev"_s);
        QCOMPARE(search[0][u"selected"_s][u"text"_s].toString(), u"readme.txt"_s);
        QCOMPARE(doc.value(u"execute"_s)[u"action"_s].toString(), u"run"_s);
        QVERIFY(!doc.contains(u"stats"_s));
    }
};

QTEST_APPLESS_MAIN(tst_ReportTree)
#include "tst_ReportTree.moc"
