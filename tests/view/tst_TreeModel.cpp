#include "records/modErrorHandling.h"
#include "view/TreeModel.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace {

qint32 RaisedNumber(const std::function<void()>& body) {
    try {
        body();
    } catch (const QuillanError& error) {
        return error.Number();
    }
    return 0;
}

QStringList ChildTexts(const TreeModel& tree, qint32 parent) {
    QStringList texts;
    for (qint32 row = 0; row < tree.ChildCount(parent); ++row)
        texts << tree.Text(tree.Child(parent, row)).toString();
    return texts;
}

// The plainest statement of the ordering rule, to check the lazy one against: a sorted
// list is its nodes by folded text, then by the order they came in; an unsorted list
// keeps the order it had when its flag was cleared, with later nodes behind.
struct ReferenceList {
    std::vector<qint32> Order;
    bool Sorted = false;

    std::vector<qint32> Displayed(const std::map<qint32, QString>& texts) const {
        std::vector<qint32> out = Order;
        if (Sorted)
            std::sort(out.begin(), out.end(), [&](qint32 a, qint32 b) {
                const int c = texts.at(a).compare(texts.at(b), Qt::CaseInsensitive);
                return c != 0 ? c < 0 : a < b;
            });
        return out;
    }
};

} // namespace

class tst_TreeModel : public QObject {
    Q_OBJECT

private slots:
    void keysIndexesAndClear() {
        TreeModel tree;
        const qint32 lower = tree.Add(TreeModel::NoNode, u"URL: http://h/pub/", u"a");
        const qint32 upper = tree.Add(TreeModel::NoNode, u"URL: HTTP://h/pub/", u"b");
        const qint32 child = tree.Add(lower, u"Entry: 1", u"c");
        const qint32 unkeyed = tree.Add(child, {}, u"d");
        QCOMPARE(QList<qint32>({lower, upper, child, unkeyed}), QList<qint32>({1, 2, 3, 4}));
        // Keys compare exactly, letter case included.
        QCOMPARE(tree.Find(u"URL: HTTP://h/pub/"), upper);
        QCOMPARE(tree.Find(u"url: http://h/pub/"), TreeModel::NoNode);
        QCOMPARE(tree.Find(QString()), TreeModel::NoNode);
        QCOMPARE(tree.Depth(unkeyed), 2);

        QCOMPARE(RaisedNumber([&] { tree.Add(upper, u"Entry: 1", u"again"); }), 35602);
        QCOMPARE(tree.Count(), 4);
        QCOMPARE(tree.ChildCount(upper), 0);
        QCOMPARE(RaisedNumber([&] { tree.Text(5); }), 35600);
        QCOMPARE(RaisedNumber([&] { tree.Text(0); }), 35600);
        QCOMPARE(RaisedNumber([&] { tree.Add(9, u"x"); }), 35601);

        tree.SetRootSorted(true);
        tree.Select(child);
        tree.Clear();
        QCOMPARE(tree.Count(), 0);
        QCOMPARE(tree.Selected(), TreeModel::NoNode);
        QCOMPARE(tree.Find(u"Entry: 1"), TreeModel::NoNode);
        QVERIFY(tree.RootSorted()); // the root level's flag survives a clear
        QCOMPARE(tree.Add(TreeModel::NoNode, u"Entry: 1", u"z"), 1);
    }

    void sortedFlagOrdersChildren() {
        TreeModel tree;
        const qint32 group = tree.Add(TreeModel::NoNode, u"g");
        for (const char16_t* text : {u"beta", u"Alpha", u"_x", u"alpha", u"Gamma"})
            tree.Add(group, {}, QStringView(text));
        QCOMPARE(ChildTexts(tree, group),
                 QStringList({u"beta"_s, u"Alpha"_s, u"_x"_s, u"alpha"_s, u"Gamma"_s}));

        // Setting the flag orders what is there: case folded, code order ("_" before
        // letters), equal texts in the order they came in.
        tree.SetSorted(group, true);
        QCOMPARE(ChildTexts(tree, group),
                 QStringList({u"_x"_s, u"Alpha"_s, u"alpha"_s, u"beta"_s, u"Gamma"_s}));
        const qint32 late = tree.Add(group, {}, u"ALPHA");
        QCOMPARE(tree.Row(late), 3);
        QCOMPARE(tree.Child(group, 3), late);

        // Clearing keeps the order; later children go to the end.
        tree.SetSorted(group, false);
        tree.Add(group, {}, u"aardvark");
        QCOMPARE(ChildTexts(tree, group).last(), u"aardvark"_s);
        QCOMPARE(ChildTexts(tree, group).first(), u"_x"_s);

        // A renamed child of a sorted parent moves to its new place.
        tree.SetSorted(group, true);
        tree.SetText(late, u"zulu");
        QCOMPARE(ChildTexts(tree, group).last(), u"zulu"_s);
        QCOMPARE(tree.Row(late), tree.ChildCount(group) - 1);
    }

    void lazyOrderMatchesThePlainRule() {
        // Random adds, renames, flag changes and reads over a few parents, compared after
        // every step with the reference; this is where a wrong merge or a stale row shows.
        QRandomGenerator random(7);
        TreeModel tree;
        std::map<qint32, ReferenceList> lists;
        std::map<qint32, QString> texts;
        const QStringList words = {u"a"_s, u"B"_s, u"b"_s, u"c"_s, u"C"_s, u"-"_s, u""_s};
        for (int step = 0; step < 4000; ++step) {
            const qint32 parent =
                tree.Count() == 0 ? 0 : qint32(random.bounded(std::min(tree.Count(), 6) + 1));
            switch (random.bounded(6)) {
            case 0:
            case 1:
            case 2: {
                const QString text = words[random.bounded(words.size())];
                const qint32 node = tree.Add(parent, {}, text);
                texts[node] = text;
                lists[parent].Order.push_back(node);
                break;
            }
            case 3: {
                ReferenceList& list = lists[parent];
                const bool sorted = random.bounded(2) == 1;
                if (list.Sorted && !sorted) list.Order = list.Displayed(texts);
                list.Sorted = sorted;
                tree.SetSorted(parent, sorted);
                break;
            }
            case 4:
                if (tree.Count() > 0) {
                    const qint32 node = 1 + qint32(random.bounded(tree.Count()));
                    texts[node] = words[random.bounded(words.size())];
                    tree.SetText(node, texts[node]);
                }
                break;
            case 5: {
                const std::vector<qint32> expected = lists[parent].Displayed(texts);
                QCOMPARE(tree.ChildCount(parent), qint32(expected.size()));
                for (qint32 row = 0; row < qint32(expected.size()); ++row) {
                    QCOMPARE(tree.Child(parent, row), expected[size_t(row)]);
                    QCOMPARE(tree.Row(expected[size_t(row)]), row);
                }
                break;
            }
            }
        }
    }
};

QTEST_APPLESS_MAIN(tst_TreeModel)
#include "tst_TreeModel.moc"
