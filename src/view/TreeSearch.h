#pragma once

#include "analysis/LocaleFormats.h"
#include "view/TreeModel.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QString>
#include <QVarLengthArray>

// The search box's own start-up text; while the box holds it, every search is a no-op.
inline constexpr QStringView SearchPrompt = u"Enter search string...";

// Captions of the case button: case ignored, case respected.
inline constexpr QStringView CaseIgnoredCaption = u"ABC";
inline constexpr QStringView CaseRespectedCaption = u"aBc";

// What a search does to the window besides the tree, in the order it happens.
class SearchHost {
public:
    virtual ~SearchHost() = default;
    virtual void SetBusy(bool /*busy*/) {}
    // The match has been made visible (ancestors expanded) and selected in the model.
    virtual void Revealed(qint32 /*node*/) {}
    virtual void Beep() {}
    virtual void FocusTree() {}
};

struct SearchOutcome {
    // False when nothing at all happened: the prompt text, or no selected node to start
    // from for Next and Prev.
    bool Ran = false;
    qint32 Found = TreeModel::NoNode;
};

// Tests a node text for the search text: contained as is when matchCase, otherwise
// after upper-casing both in the locale.
class TextMatcher {
public:
    TextMatcher(const QString& search, bool matchCase, const LocaleFormats& formats);
    bool Matches(QAnyStringView text);

private:
    bool MatchesWide(QStringView text);
    bool MatchesLatin1(QLatin1StringView text);

    const LocaleFormats& m_Formats;
    QString m_Search;
    // The search text as Latin-1, when it fits; a Latin-1 text cannot hold it otherwise.
    QByteArray m_SearchLatin1;
    bool m_SearchIsLatin1 = false;
    bool m_MatchCase;
    // Where the locale upper-cases ASCII as plain ASCII, ASCII texts skip the allocation.
    bool m_AsciiFast = false;
    QVarLengthArray<char16_t, 256> m_Upper;
    QVarLengthArray<char, 256> m_UpperLatin1;
};

// The three walks over the node list (insertion order, 1-based), with curLine as the
// loop counter. None wraps around; Next and Prev never test the selected node itself.
SearchOutcome SearchFromTop(TreeModel& tree, const QString& text, bool matchCase,
                            const LocaleFormats& formats, qint32& curLine, SearchHost& host);
SearchOutcome SearchNext(TreeModel& tree, const QString& text, bool matchCase,
                         const LocaleFormats& formats, qint32& curLine, SearchHost& host);
SearchOutcome SearchPrev(TreeModel& tree, const QString& text, bool matchCase,
                         const LocaleFormats& formats, qint32& curLine, SearchHost& host);

// The case button's click: "ABC" becomes "aBc" and respects case; any other caption
// becomes "ABC" and ignores it.
void CaseClick(QString& caption, bool& matchCase);
