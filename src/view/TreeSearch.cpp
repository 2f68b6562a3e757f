#include "view/TreeSearch.h"

#include "base/AsciiCase.h"

namespace {

bool UpperCasesAsciiPlainly(const LocaleFormats& formats) {
    QString ascii;
    for (char16_t c = 1; c < 0x80; ++c)
        ascii.append(QChar(c));
    QString plain;
    AsciiToUpper(ascii, plain);
    return formats.ToUpper(ascii) == plain;
}

enum class Walk { FromTop, Onwards, Backwards };

SearchOutcome Search(Walk walk, TreeModel& tree, const QString& text, bool matchCase,
                     const LocaleFormats& formats, qint32& curLine, SearchHost& host) {
    if (text == SearchPrompt) return {};
    const qint32 selected = tree.Selected();
    if (walk != Walk::FromTop && selected == TreeModel::NoNode) return {};

    host.SetBusy(true);
    const qint32 count = tree.Count();
    TextMatcher matcher(text, matchCase, formats);
    SearchOutcome outcome;
    outcome.Ran = true;
    if (walk == Walk::Backwards) {
        for (curLine = selected - 1; curLine >= 1; --curLine)
            if (matcher.Matches(tree.Text(curLine))) break;
        if (curLine >= 1) outcome.Found = curLine;
    } else {
        for (curLine = walk == Walk::FromTop ? 1 : selected + 1; curLine <= count; ++curLine)
            if (matcher.Matches(tree.Text(curLine))) break;
        if (curLine <= count) outcome.Found = curLine;
    }
    if (outcome.Found != TreeModel::NoNode) {
        tree.EnsureVisible(outcome.Found);
        tree.Select(outcome.Found);
        host.Revealed(outcome.Found);
    }
    host.SetBusy(false);
    host.Beep();
    host.FocusTree();
    return outcome;
}

} // namespace

TextMatcher::TextMatcher(const QString& search, bool matchCase, const LocaleFormats& formats)
    : m_Formats(formats), m_Search(matchCase ? search : formats.ToUpper(search)),
      m_MatchCase(matchCase), m_AsciiFast(!matchCase && UpperCasesAsciiPlainly(formats)) {}

bool TextMatcher::Matches(QStringView text) {
    if (m_Search.isEmpty()) return true;
    if (m_MatchCase) return text.contains(m_Search);
    if (m_AsciiFast) {
        m_Upper.resize(text.size());
        bool ascii = true;
        for (qsizetype i = 0; i < text.size() && ascii; ++i) {
            const char16_t c = text[i].unicode();
            ascii = c < 0x80;
            m_Upper[i] = AsciiUpper(c);
        }
        if (ascii) return QStringView(m_Upper.constData(), m_Upper.size()).contains(m_Search);
    }
    return m_Formats.ToUpper(text.toString()).contains(m_Search);
}

SearchOutcome SearchFromTop(TreeModel& tree, const QString& text, bool matchCase,
                            const LocaleFormats& formats, qint32& curLine, SearchHost& host) {
    return Search(Walk::FromTop, tree, text, matchCase, formats, curLine, host);
}

SearchOutcome SearchNext(TreeModel& tree, const QString& text, bool matchCase,
                         const LocaleFormats& formats, qint32& curLine, SearchHost& host) {
    return Search(Walk::Onwards, tree, text, matchCase, formats, curLine, host);
}

SearchOutcome SearchPrev(TreeModel& tree, const QString& text, bool matchCase,
                         const LocaleFormats& formats, qint32& curLine, SearchHost& host) {
    return Search(Walk::Backwards, tree, text, matchCase, formats, curLine, host);
}

void CaseClick(QString& caption, bool& matchCase) {
    if (caption != CaseIgnoredCaption) {
        caption = CaseIgnoredCaption.toString();
        matchCase = false;
    } else {
        caption = CaseRespectedCaption.toString();
        matchCase = true;
    }
}
