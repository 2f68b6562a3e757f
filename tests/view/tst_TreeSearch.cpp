#include "view/TreeSearch.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct SearchCalls : SearchHost {
    QStringList Calls;
    void SetBusy(bool busy) override { Calls << (busy ? u"busy"_s : u"idle"_s); }
    void Revealed(qint32 node) override { Calls << u"reveal "_s + QString::number(node); }
    void Beep() override { Calls << u"beep"_s; }
    void FocusTree() override { Calls << u"focus"_s; }
};

} // namespace

class tst_TreeSearch : public QObject {
    Q_OBJECT

    LocaleFormats en{QLocale(u"en_US"_s)};
    TreeModel tree;
    SearchCalls host;
    qint32 curLine = 0;

    qint32 Top(const QString& text, bool matchCase = false) {
        return SearchFromTop(tree, text, matchCase, en, curLine, host).Found;
    }

private slots:
    void init() {
        // Node list order differs from display order: the roots are sorted.
        tree.Clear();
        tree.SetRootSorted(true);
        const qint32 group = tree.Add(TreeModel::NoNode, u"G", u"http://h/pub/");
        const qint32 entry = tree.Add(group, u"Entry: 1", u"FILE.ZIP");
        tree.Add(entry, u"URL Entry: 1", u"URL: http://uniquehost.example/FILE.ZIP");
        tree.Add(group, u"Entry: 2", u"Ärger.exe");
        tree.Add(TreeModel::NoNode, u"Entry: 3", u"archive.zip");
        tree.Select(1);
        host.Calls.clear();
    }

    void promptAndMissingSelectionDoNothing() {
        for (auto* walk : {SearchFromTop, SearchNext, SearchPrev}) {
            const SearchOutcome outcome =
                walk(tree, SearchPrompt.toString(), false, en, curLine, host);
            QVERIFY(!outcome.Ran);
        }
        QVERIFY(host.Calls.isEmpty());
        QCOMPARE(tree.Selected(), 1);

        tree.Select(TreeModel::NoNode);
        QVERIFY(!SearchNext(tree, u"zip"_s, false, en, curLine, host).Ran);
        QVERIFY(!SearchPrev(tree, u"zip"_s, false, en, curLine, host).Ran);
        QVERIFY(host.Calls.isEmpty());
        // From the top needs no selection; an empty text matches node 1.
        QCOMPARE(Top(QString()), 1);
    }

    void caseRulesAndRevealing() {
        QCOMPARE(Top(u"zip"_s), 2);
        QCOMPARE(Top(u"zip"_s, true), 5);
        QCOMPARE(Top(u"ÄRGER"_s), 4); // beyond ASCII, upper-cased in the locale
        QCOMPARE(Top(u"ärger"_s, true), TreeModel::NoNode);

        // A word only a detail line holds: that line is selected and its ancestors open.
        host.Calls.clear();
        QCOMPARE(Top(u"UNIQUEHOST"_s), 3);
        QCOMPARE(tree.Selected(), 3);
        QVERIFY(tree.Expanded(1) && tree.Expanded(2));
        QVERIFY(!tree.Expanded(3) && !tree.Expanded(5));
        QCOMPARE(host.Calls,
                 QStringList({u"busy"_s, u"reveal 3"_s, u"idle"_s, u"beep"_s, u"focus"_s}));

        QString caption = CaseIgnoredCaption.toString();
        bool matchCase = false;
        CaseClick(caption, matchCase);
        QCOMPARE(caption, u"aBc"_s);
        QVERIFY(matchCase);
        CaseClick(caption, matchCase);
        QCOMPARE(caption, u"ABC"_s);
        QVERIFY(!matchCase);
    }

    void walksFollowTheNodeListWithoutWrapping() {
        // Next goes by the order nodes were added, not the sorted order on screen (where
        // "archive.zip" stands first).
        QCOMPARE(SearchNext(tree, u"zip"_s, false, en, curLine, host).Found, 2);
        QCOMPARE(SearchNext(tree, u"zip"_s, false, en, curLine, host).Found, 3);
        QCOMPARE(SearchNext(tree, u"zip"_s, false, en, curLine, host).Found, 5);
        host.Calls.clear();
        const SearchOutcome end = SearchNext(tree, u"zip"_s, false, en, curLine, host);
        QVERIFY(end.Ran);
        QCOMPARE(end.Found, TreeModel::NoNode);
        QCOMPARE(tree.Selected(), 5);
        QCOMPARE(curLine, tree.Count() + 1);
        QCOMPARE(host.Calls, QStringList({u"busy"_s, u"idle"_s, u"beep"_s, u"focus"_s}));

        QCOMPARE(SearchPrev(tree, u"zip"_s, false, en, curLine, host).Found, 3);
        tree.Select(1);
        QCOMPARE(SearchPrev(tree, QString(), false, en, curLine, host).Found, TreeModel::NoNode);
        QCOMPARE(tree.Selected(), 1);
        QCOMPARE(curLine, 0);
    }

    void latin1AndUtf16TextsMatchAlike() {
        // Node texts come Latin-1 or UTF-16; both must give the locale's answer, also for
        // letters that upper-case out of Latin-1 and searches that do not fit it.
        const QStringList texts = {
            u"setup.exe"_s, u"SETUP.EXE"_s, u"caf\u00e9 \u00ff"_s, u"\u00df-stra\u00dfe"_s,
            u"\u00a7 15"_s, QString(),      u"a\u00b5b"_s};
        const QStringList searches = {u"setup"_s,  u"TUP.e"_s,  u"\u00c9"_s,
                                      u"\u0178"_s, u"SS"_s,     u"\u00a7"_s,
                                      u"\u03a9"_s, u"\u039c"_s, u"caf\u00e9 "_s};
        for (const bool matchCase : {false, true}) {
            for (const QString& search : searches) {
                TextMatcher matcher(search, matchCase, en);
                for (const QString& text : texts) {
                    const bool expected = matchCase ? text.contains(search)
                                                    : en.ToUpper(text).contains(en.ToUpper(search));
                    const QByteArray latin1 = text.toLatin1();
                    QVERIFY2(matcher.Matches(QLatin1StringView(latin1)) == expected,
                             qPrintable(search + u" in "_s + text));
                    QVERIFY2(matcher.Matches(QStringView(text)) == expected,
                             qPrintable(search + u" in "_s + text));
                }
            }
        }
    }

    void localeUpperCasing() {
        // Turkish upper-cases "i" to a dotted capital: "I" is then not in "file".
        const LocaleFormats tr{QLocale(u"tr_TR"_s)};
        if (tr.ToUpper(u"i"_s) != u"\u0130"_s)
            QSKIP("this Qt upper-cases without the locale's rules");
        TextMatcher dotless(u"I"_s, false, tr);
        QVERIFY(!dotless.Matches(u"file"));
        TextMatcher dotted(u"i"_s, false, tr);
        QVERIFY(dotted.Matches(u"file"));
        QVERIFY(TextMatcher(u"I"_s, false, en).Matches(u"file"));
    }
};

QTEST_APPLESS_MAIN(tst_TreeSearch)
#include "tst_TreeSearch.moc"
