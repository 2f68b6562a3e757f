#include "shell/TreeItemModel.h"

#include "TestSupport.h"
#include "view/TreeBuilds.h"

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QSignalSpy>
#include <QTest>

#include <climits>

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

    void answersEveryQuestionWithoutThrowing() {
        TreeModel tree;
        TreeItemModel model(tree);
        {
            QAbstractItemModelTester tester(&model,
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
            model.BeginRebuild();
            tree.SetRootSorted(true);
            const qint32 b = tree.Add(0, u"b", u"beta");
            tree.Add(0, u"a", u"alpha");
            const qint32 child = tree.Add(b, u"c", u"child");
            model.EndRebuild();
            // Rows, columns and parents out of range are ordinary questions from a view.
            for (const QModelIndex& parent :
                 {QModelIndex(), model.IndexOf(b), model.IndexOf(child)}) {
                const int rows = model.rowCount(parent);
                for (const int row : {-1, rows, rows + 1, INT_MAX, INT_MIN})
                    for (const int column : {0, 1, -1})
                        QVERIFY(!model.index(row, column, parent).isValid());
                for (const int column : {1, -1, INT_MAX, INT_MIN})
                    QVERIFY(!model.index(0, column, parent).isValid());
            }
            QVERIFY(!model.parent({}).isValid());
            QVERIFY(model.data({}).isNull());
            QCOMPARE(model.flags({}), Qt::NoItemFlags);
            QCOMPARE(model.rowCount(), 2);
            for (const qint32 node : {-1, 0, 4, INT_MAX, INT_MIN})
                QVERIFY(!model.IndexOf(node).isValid());
        }
#ifdef QT_NO_DEBUG
        // An index kept past a change of the tree is a programming error, which a debug
        // build stops at; a release build answers for it as for an empty row rather than
        // throw into the view's paint.
        const QModelIndex stale = model.IndexOf(3);
        QVERIFY(stale.isValid());
        tree.Clear(); // no reset bracket, as a faulty caller would do it
        tree.Add(0, u"x", u"x");
        QCOMPARE(model.data(stale).toString(), QString());
        QCOMPARE(model.data(stale, Qt::ToolTipRole).toString(), QString());
        QVERIFY(model.data(stale, Qt::DecorationRole).isNull());
        QCOMPARE(model.rowCount(stale), 0);
        QVERIFY(!model.hasChildren(stale));
        QVERIFY(!model.parent(stale).isValid());
        QVERIFY(!model.index(0, 0, stale).isValid());
        QVERIFY(model.flags(stale).testFlag(Qt::ItemNeverHasChildren));
#endif
    }
};

QTEST_MAIN(tst_TreeItemModel)
#include "tst_TreeItemModel.moc"
