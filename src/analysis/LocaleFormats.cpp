#include "analysis/LocaleFormats.h"

#include "analysis/TextRules.h"
#include "base/AsciiCase.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QLocale Effective(const QLocale& locale) {
    if (locale.language() == QLocale::C) return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

char16_t* TwoDigits(char16_t* out, int value) {
    out[0] = char16_t(u'0' + (value / 10) % 10);
    out[1] = char16_t(u'0' + value % 10);
    return out + 2;
}

} // namespace

LocaleFormats::LocaleFormats(const QLocale& requested) : m_Locale(Effective(requested)) {
    // Order and separator come from the locale's own short form, e.g. "M/d/yy" or "dd.MM.yy".
    const QString pattern = m_Locale.dateFormat(QLocale::ShortFormat);
    QString order;
    bool separatorFound = false;
    bool inQuote = false;
    for (QChar c : pattern) {
        if (c == u'\'') {
            inQuote = !inQuote;
            continue;
        }
        if (inQuote) continue;
        const char16_t u = c.unicode();
        if (u == u'd' || u == u'M' || u == u'y') {
            if (!order.contains(c)) order.append(c);
        } else if (!order.isEmpty() && order.size() < 3 && !separatorFound && u != u' ') {
            m_DateSeparator = c;
            separatorFound = true;
        }
    }
    if (order.startsWith(u'd'))
        m_Order = DateOrder::DayMonthYear;
    else if (order.startsWith(u'y'))
        m_Order = DateOrder::YearMonthDay;
    else
        m_Order = DateOrder::MonthDayYear;

    m_LongPattern = m_Locale.dateFormat(QLocale::LongFormat);
    m_Am = m_Locale.amText();
    m_Pm = m_Locale.pmText();
    if (m_Am.isEmpty()) m_Am = u"AM"_s;
    if (m_Pm.isEmpty()) m_Pm = u"PM"_s;
    m_Group = m_Locale.groupSeparator();
    const auto language = m_Locale.language();
    m_SpecialCasing = language == QLocale::Turkish || language == QLocale::Azerbaijani ||
                      language == QLocale::Lithuanian;
}

LocaleFormats LocaleFormats::System() { return LocaleFormats(QLocale::system()); }

LocaleFormats LocaleFormats::Named(const QString& name) { return LocaleFormats(QLocale(name)); }

QString LocaleFormats::ToUpper(const QString& text) const {
    QString out;
    if (!m_SpecialCasing && AsciiToUpper(text, out)) return out;
    return m_SpecialCasing ? m_Locale.toUpper(text) : text.toUpper();
}

QString LocaleFormats::ToLower(const QString& text) const {
    QString out;
    if (!m_SpecialCasing && AsciiToLower(text, out)) return out;
    return m_SpecialCasing ? m_Locale.toLower(text) : text.toLower();
}

QString LocaleFormats::ShortDate(QDate date) const {
    QString out;
    out.reserve(8);
    AppendShortDate(out, date.year(), date.month(), date.day());
    return out;
}

void LocaleFormats::AppendShortDate(QString& out, int year, int month, int day) const {
    char16_t text[8];
    out.append(QStringView(text, WriteShortDate(text, year, month, day) - text));
}

char16_t* LocaleFormats::WriteShortDate(char16_t* text, int fullYear, int month, int day) const {
    const int year = fullYear % 100;
    const int fields[3][3] = {{month, day, year}, {day, month, year}, {year, month, day}};
    const int* f = fields[int(m_Order)];
    char16_t* p = TwoDigits(text, f[0]);
    *p++ = m_DateSeparator.unicode();
    p = TwoDigits(p, f[1]);
    *p++ = m_DateSeparator.unicode();
    return TwoDigits(p, f[2]);
}

QString LocaleFormats::LongDate(QDate date) const { return m_Locale.toString(date, m_LongPattern); }

QString LocaleFormats::TimeAmPm(QTime time) const {
    QString out(9 + std::max(m_Am.size(), m_Pm.size()), Qt::Uninitialized);
    char16_t* begin = reinterpret_cast<char16_t*>(out.data());
    out.truncate(WriteTimeAmPm(begin, time.hour(), time.minute(), time.second()) - begin);
    return out;
}

char16_t* LocaleFormats::WriteTimeAmPm(char16_t* text, int hour24, int minute, int second) const {
    const int hour = hour24 % 12;
    char16_t* p = TwoDigits(text, hour == 0 ? 12 : hour);
    *p++ = u':';
    p = TwoDigits(p, minute);
    *p++ = u':';
    p = TwoDigits(p, second);
    *p++ = u' ';
    const QString& designator = hour24 < 12 ? m_Am : m_Pm;
    std::copy_n(designator.utf16(), designator.size(), p);
    return p + designator.size();
}
