#include "view/TreeSearch.h"

#include "base/AsciiCase.h"

#include <algorithm>
#include <string_view>
#include <type_traits>

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
      m_MatchCase(matchCase), m_AsciiFast(!matchCase && UpperCasesAsciiPlainly(formats)) {
    m_SearchIsLatin1 = std::all_of(m_Search.cbegin(), m_Search.cend(),
                                   [](QChar c) { return c.unicode() <= 0xFF; });
    if (m_SearchIsLatin1) m_SearchLatin1 = m_Search.toLatin1();
}

bool TextMatcher::Matches(QAnyStringView text) {
    if (m_Search.isEmpty()) return true;
    return text.visit([this](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>)
            return MatchesLatin1(view);
        else if constexpr (std::is_same_v<decltype(view), QStringView>)
            return MatchesWide(view);
        else
            return MatchesWide(QString::fromUtf8(view.data(), view.size()));
    });
}

namespace {

// Node texts are short: a plain search for the first byte and a compare beats the set-up
// of a general one.
bool ContainsBytes(std::string_view text, const QByteArray& part) {
    return text.find(std::string_view(part.constData(), size_t(part.size()))) !=
           std::string_view::npos;
}

} // namespace

// Node texts are nearly all Latin-1, and this path allocates nothing for them.
bool TextMatcher::MatchesLatin1(QLatin1StringView text) {
    const std::string_view bytes(text.data(), size_t(text.size()));
    if (m_MatchCase) return m_SearchIsLatin1 && ContainsBytes(bytes, m_SearchLatin1);
    if (m_AsciiFast) {
        m_UpperLatin1.resize(text.size());
        char* upper = m_UpperLatin1.data();
        uchar seen = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const uchar c = uchar(bytes[i]);
            seen |= c;
            upper[i] = char(uchar(c - 'a') < 26 ? c - 0x20 : c);
        }
        if (seen < 0x80)
            return m_SearchIsLatin1 && ContainsBytes({upper, bytes.size()}, m_SearchLatin1);
    }
    return m_Formats.ToUpper(QString(text)).contains(m_Search);
}

bool TextMatcher::MatchesWide(QStringView text) {
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
