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

        // Pictures past a byte are kept aside, and forgotten when replaced or cleared.
        for (const qint32 image : {254, 255, 32767, 3}) {
            tree.SetImage(child, image);
            tree.SetImage(lower, image == 3 ? 32766 : image);
            QCOMPARE(tree.Image(child), image);
            QCOMPARE(tree.Image(child, std::nothrow), image);
            QCOMPARE(tree.Image(lower), image == 3 ? 32766 : image);
        }
        QCOMPARE(tree.Image(upper), 0);
        QCOMPARE(RaisedNumber([&] { tree.SetImage(child, 32768); }), 35600);
        QCOMPARE(RaisedNumber([&] { tree.SetImage(child, -1); }), 35600);
        QCOMPARE(tree.Image(child), 3);

        tree.SetRootSorted(true);
        tree.Select(child);
        tree.Clear();
        QCOMPARE(tree.Count(), 0);
        QCOMPARE(tree.Selected(), TreeModel::NoNode);
        QCOMPARE(tree.Find(u"Entry: 1"), TreeModel::NoNode);
        QVERIFY(tree.RootSorted()); // the root level's flag survives a clear
        QCOMPARE(tree.Add(TreeModel::NoNode, u"Entry: 1", u"z"), 1);
        QCOMPARE(tree.Image(lower), 0); // was a picture kept aside
        tree.Add(1, u"Entry: 2", u"y");
        QCOMPARE(tree.Image(tree.Add(1, {}, u"x")), 0); // was 3 in its byte
    }

    void keysAndTextsInEitherEncoding() {
        // Latin-1 above 0x7F, UTF-16 (Greek, CJK, a surrogate pair) and empty ones, mixed
        // in one node and across parent and child, as keys kept whole and as fronts.
        const QList<std::pair<QString, QString>> roots = {
            {u"Entry: 1"_s, u"caf\u00e9 \u00ff"_s},
            {u"\u03a9: 2"_s, u"\u4e0b\u8f7d.zip"_s},
            {u"Entry: \U0001F600"_s, QString()},
        };
        const QStringList fronts = {u"URL "_s, u"\u00c9t\u00e9 "_s, u"\u03a9 "_s, u"\U0001F600 "_s,
                                    u"x"_s};
        const QStringList texts = {u"URL: http://h/\u00e9"_s, u"\u03a9"_s, QString(),
                                   u"a\U0001F600b"_s, u"\u00ff"_s};
        TreeModel tree;
        std::map<QString, qint32> nodes;
        std::map<qint32, QString> textOf;
        for (const auto& [key, text] : roots) {
            const qint32 root = tree.Add(TreeModel::NoNode, key, text);
            nodes[key] = root;
            textOf[root] = text;
            for (qsizetype i = 0; i < fronts.size(); ++i) {
                const qint32 child = tree.Add(root, QString(fronts[i] + key), texts[i]);
                nodes[fronts[i] + key] = child;
                textOf[child] = texts[i];
            }
            // Neither a front nor under its parent's key: kept whole.
            const qint32 grandchild =
                tree.Add(root + 1, QString(u"Deep "_s + fronts[0] + key), text);
            nodes[u"Deep "_s + fronts[0] + key] = grandchild;
            textOf[grandchild] = text;
        }
        const qint32 unkeyed = tree.Add(1, {}, {});
        textOf[unkeyed] = QString();

        for (const auto& [key, node] : nodes) {
            QCOMPARE(tree.Key(node), key);
            QCOMPARE(tree.Find(key), node);
        }
        for (const auto& [node, text] : textOf) {
            QCOMPARE(tree.Text(node).toString(), text);
            QVERIFY(tree.Text(node) == text);
            QCOMPARE(tree.Text(node, std::nothrow).toString(), text);
        }
        QCOMPARE(tree.Key(unkeyed), QString());
        // Near misses: a front alone, a front under another root, a longer or shorter key.
        for (const QString& miss :
             {u"URL "_s, u"URL Entry: 2"_s, u"URL Entry: 1 "_s, u"RL Entry: 1"_s,
              u"\u03a9 Entry: 1x"_s, u"\U0001F600"_s, u"Deep URL "_s, u"URL URL Entry: 1"_s})
            QCOMPARE(tree.Find(miss), TreeModel::NoNode);

        // A key is unique however either copy is kept.
        QCOMPARE(RaisedNumber([&] { tree.Add(TreeModel::NoNode, u"URL Entry: 1"); }), 35602);
        QCOMPARE(RaisedNumber([&] { tree.Add(2, u"\u03a9 \u03a9: 2"); }), 35602);
        const qint32 whole = tree.Add(TreeModel::NoNode, u"Started Entry: 1");
        QCOMPARE(RaisedNumber([&] { tree.Add(1, u"Started Entry: 1"); }), 35602);
        QCOMPARE(tree.Find(u"Started Entry: 1"), whole);
    }

    void keysEndingWithTheirParentsKeyBeyondTheLimits() {
        // Children ever further behind their parent, then more distinct fronts than are
        // shared: each key is still found, once, by its own node.
        TreeModel tree;
        std::map<QString, qint32> nodes;
        const qint32 far = tree.Add(TreeModel::NoNode, u"F");
        for (int i = 0; i < 40; ++i) {
            tree.Add(TreeModel::NoNode, QString(u"filler "_s + QString::number(i)));
            const QString key = QChar(u'A' + i) + u" F"_s;
            nodes[key] = tree.Add(far, key);
        }
        for (int i = 0; i < 150; ++i) {
            const QString root = u"P"_s + QString::number(i);
            const qint32 parent = tree.Add(TreeModel::NoNode, root);
            nodes[QString::number(i) + u' ' + root] =
                tree.Add(parent, QString(QString::number(i) + u' ' + root));
        }
        for (const auto& [key, node] : nodes) {
            QCOMPARE(tree.Find(key), node);
            QCOMPARE(tree.Key(node), key);
            QCOMPARE(RaisedNumber([&] { tree.Add(far, key); }), 35602);
            QCOMPARE(RaisedNumber([&] { tree.Add(TreeModel::NoNode, key); }), 35602);
        }
        QCOMPARE(tree.ChildCount(far), 40);
    }

    void sortedOrderAcrossEncodings() {
        TreeModel tree;
        const qint32 group = tree.Add(TreeModel::NoNode, u"g");
        tree.SetSorted(group, true);
        // Folded: "\u00b5" becomes Greek mu (after every Latin-1 letter), "\u00c0" a grave
        // a; the surrogate pair sorts by its high unit, after "l".
        const QStringList texts = {u"\u4e0b"_s, u"beta"_s,   u"\u03a9mega"_s,  u"\u00e9mile"_s,
                                   u"\u00b5"_s, u"\u00ff"_s, u"a\U0001F600"_s, u"\u00c9mile"_s,
                                   u"alpha"_s,  u"\u00c0"_s};
        std::vector<qint32> nodes;
        for (const QString& text : texts)
            nodes.push_back(tree.Add(group, QString(u"k"_s + text), text));
        QCOMPARE(
            ChildTexts(tree, group),
            QStringList({u"alpha"_s, u"a\U0001F600"_s, u"beta"_s, u"\u00c0"_s, u"\u00e9mile"_s,
                         u"\u00c9mile"_s, u"\u00ff"_s, u"\u00b5"_s, u"\u03a9mega"_s, u"\u4e0b"_s}));

        // A text that changes encoding moves; its key stays and is still found.
        tree.SetText(nodes[1], u"\u03c9beta"_s); // "beta" to UTF-16
        tree.SetText(nodes[2], u"omega"_s);      // "\u03a9mega" to Latin-1
        tree.SetText(nodes[0], u"\u00c0"_s);     // ties with an earlier "\u00c0"
        QCOMPARE(ChildTexts(tree, group),
                 QStringList({u"alpha"_s, u"a\U0001F600"_s, u"omega"_s, u"\u00c0"_s, u"\u00c0"_s,
                              u"\u00e9mile"_s, u"\u00c9mile"_s, u"\u00ff"_s, u"\u00b5"_s,
                              u"\u03c9beta"_s}));
        QCOMPARE(tree.Child(group, 3), nodes[0]); // the lower node first
        QCOMPARE(tree.Row(nodes[9]), 4);
        QCOMPARE(tree.Find(u"k\u03a9mega"), nodes[2]);
        QCOMPARE(tree.Key(nodes[1]), u"kbeta"_s);
    }

    void clearAndRebuildReuseStorage() {
        // Two builds into the same storage, with texts repeated, texts that differ from the
        // last build's only in encoding, and texts too long for a chunk: every node reads
        // back its own, never one kept by the build before.
        TreeModel tree;
        const QString longLatin1(300000, u'\u00e9');
        const QString longWide = QString(70000, u'\u4e0b') + u"end"_s;
        for (const int build : {0, 1}) {
            tree.Clear();
            std::map<qint32, std::pair<QString, QString>> expected;
            for (int i = 0; i < 3000; ++i) {
                const QString number = QString::number(i);
                const QString entryKey = u"Entry: "_s + number;
                // Repeats across nodes; the two builds swap encodings of the same letters.
                const QString shared = (i + build) % 2 ? u"file-\u00e9-"_s + QString::number(i % 7)
                                                       : u"file-\u0117-"_s + QString::number(i % 7);
                const qint32 entry = tree.Add(TreeModel::NoNode, entryKey, shared);
                expected[entry] = {entryKey, shared};
                const QString text =
                    i % 500 == build ? (i % 1000 ? longWide : longLatin1) : u"Added: "_s + number;
                const qint32 detail = tree.Add(entry, QString(u"Started "_s + entryKey), text);
                expected[detail] = {u"Started "_s + entryKey, text};
                if (i % 3 == 0) {
                    tree.SetText(detail, shared);
                    expected[detail].second = shared;
                }
            }
            QCOMPARE(tree.Count(), qint32(expected.size()));
            for (const auto& [node, keyText] : expected) {
                QCOMPARE(tree.Key(node), keyText.first);
                QCOMPARE(tree.Find(keyText.first), node);
                QVERIFY2(tree.Text(node) == keyText.second, qPrintable(keyText.first));
            }
        }
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
