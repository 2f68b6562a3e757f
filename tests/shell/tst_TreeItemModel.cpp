#include "shell/TreeItemModel.h"

#include "TestSupport.h"
#include "view/TreeBuilds.h"

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_TreeItemModel : public QObject {
    Q_OBJECT

private slots:
    void sampleTreeInEveryOrderPassesTheTester() {
        LogAnalysis analysis(LocaleFormats::Named(u"en_US"_s));
        analysis.LoadLogFile(TestSupport::SampleLog());
        QVERIFY(analysis.RunPass().Completed);
        TreeModel tree;
        TreeItemModel model(tree);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        struct ResettingHost : PopulateHost {
            TreeItemModel* Model;
            void TreeClearing() override { Model->BeginRebuild(); }
            void TreeRebuilt() override { Model->EndRebuild(); }
        } resetting;
        resetting.Model = &model;
        for (const SortOrder mode : {SortOrder::ByURL, SortOrder::NoSort, SortOrder::ByDate,
                                     SortOrder::ByName, SortOrder::ByLocal}) {
            ::PopulateTree(tree, mode, analysis, resetting);
            QVERIFY(model.rowCount() > 0);
            // Every node maps to an index and back, with its own text and picture.
            for (qint32 node = 1; node <= tree.Count(); ++node) {
                const QModelIndex index = model.IndexOf(node);
                QCOMPARE(TreeItemModel::NodeOf(index), node);
                QCOMPARE(index.data().toString(), tree.Text(node).toString());
                QCOMPARE(model.parent(index), model.IndexOf(tree.Parent(node)));
                QCOMPARE(model.hasChildren(index), tree.ChildCount(node) > 0);
                QCOMPARE(index.data(Qt::DecorationRole).value<QIcon>().isNull(),
                         tree.Image(node) < 1);
            }
        }
    }

    void answersAreReadFromThePlainTree() {
        TreeModel tree;
        TreeItemModel model(tree);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.BeginRebuild();
        tree.SetRootSorted(true);
        const qint32 b = tree.Add(0, u"b", u"beta");
        const qint32 a = tree.Add(0, u"a", u"Alpha");
        const qint32 child = tree.Add(b, u"c", u"child");
        tree.SetImage(child, 99); // no such picture
        model.EndRebuild();
        // Display order is the plain tree's sorted order; rows are its rows.
        QCOMPARE(model.index(0, 0).data().toString(), u"Alpha"_s);
        QCOMPARE(model.IndexOf(a).row(), 0);
        QCOMPARE(model.IndexOf(b).row(), 1);
        QCOMPARE(model.rowCount(model.IndexOf(b)), 1);
        QVERIFY(model.IndexOf(child).data(Qt::DecorationRole).isNull());
        QVERIFY(model.flags(model.IndexOf(child)).testFlag(Qt::ItemNeverHasChildren));
        QVERIFY(!model.IndexOf(0).isValid());
        QVERIFY(!model.IndexOf(tree.Count() + 1).isValid());
        QVERIFY(!model.index(0, 1).isValid());
        // Nested brackets make one reset.
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        model.BeginRebuild();
        model.BeginRebuild();
        tree.Clear();
        model.EndRebuild();
        model.EndRebuild();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_MAIN(tst_TreeItemModel)
#include "tst_TreeItemModel.moc"
