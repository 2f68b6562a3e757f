#include "view/ExecuteTarget.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_ExecuteTarget : public QObject {
    Q_OBJECT

    TreeModel tree;
    QStringList probed;

    ExecuteAction Decide(const QString& text, bool fileThere = true) {
        tree.Clear();
        tree.Select(tree.Add(TreeModel::NoNode, u"K", text));
        probed.clear();
        return DecideExecute(tree, [&](const QString& path) {
            probed << path;
            return fileThere;
        });
    }

private slots:
    void targetsByTheStartOfTheText() {
        const struct {
            QString Text;
            QString Command;
        } runs[] = {
            {u"URL: http://h.example/a b.zip"_s, u"start http://h.example/a b.zip"_s},
            {u"URL:   ftp://f.example/x  "_s, u"start ftp://f.example/x"_s},
            {u"HTTP://Files.Example.COM/Docs/"_s, u"start HTTP://Files.Example.COM/Docs/"_s},
            {u"Http-tool.zip"_s, u"start Http-tool.zip"_s},
            {u"ftpsync.exe"_s, u"start ftpsync.exe"_s},
        };
        for (const auto& run : runs) {
            const ExecuteAction action = Decide(run.Text);
            QCOMPARE(action.What, ExecuteAction::Kind::Run);
            QCOMPARE(action.CommandLine, run.Command);
            QCOMPARE(action.Target, run.Command.mid(6));
            QVERIFY(!action.TargetIsLocalFile);
        }
        // Nothing at all for anything else, lower-case "url: " included, and the disk is
        // never asked.
        for (const QString& text :
             {u"url: http://h.example/a.zip"_s, u"setup.exe"_s, u"htt"_s,
              u"Added: 01/02/02 - 09:00:00 AM"_s, u"C:\\Down\\"_s, QString()}) {
            QCOMPARE(Decide(text).What, ExecuteAction::Kind::Nothing);
            QVERIFY(probed.isEmpty());
        }
        tree.Clear();
        QCOMPARE(DecideExecute(tree, [](const QString&) { return true; }).What,
                 ExecuteAction::Kind::Nothing);
    }

    void localPaths() {
        ExecuteAction action = Decide(u"Local Path: C:\\Down\\setup.exe "_s);
        QCOMPARE(probed, QStringList({u"C:\\Down\\setup.exe"_s}));
        QCOMPARE(action.What, ExecuteAction::Kind::Run);
        QCOMPARE(action.CommandLine, u"start \"C:\\Down\\setup.exe\""_s);
        QCOMPARE(action.Target, u"C:\\Down\\setup.exe"_s);
        QVERIFY(action.TargetIsLocalFile);

        action = Decide(u"Local Path: C:\\Down\\gone.exe"_s, false);
        QCOMPARE(action.What, ExecuteAction::Kind::Message);
        QCOMPARE(action.Message, u"File has been moved or deleted."_s);
        QVERIFY(action.CommandLine.isEmpty());
    }

    void deletedFileOnDisk() {
        // The platform's own file test is the default.
        QTemporaryDir dir;
        tree.Clear();
        tree.Select(tree.Add(TreeModel::NoNode, u"K",
                             QString(u"Local Path: "_s + dir.filePath(u"deleted.txt"_s))));
        QCOMPARE(DecideExecute(tree).What, ExecuteAction::Kind::Message);
    }
};

QTEST_APPLESS_MAIN(tst_ExecuteTarget)
#include "tst_ExecuteTarget.moc"
