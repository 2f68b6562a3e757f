#include "analysis/LocaleFormats.h"

using namespace Qt::StringLiterals;

namespace {

QLocale Effective(const QLocale& locale) {
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

void AppendTwoDigits(QString& out, int value) {
    out.append(QChar(u'0' + (value / 10) % 10));
    out.append(QChar(u'0' + value % 10));
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
        if (inQuote)
            continue;
        const char16_t u = c.unicode();
        if (u == u'd' || u == u'M' || u == u'y') {
            if (!order.contains(c))
                order.append(c);
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
    if (m_Am.isEmpty())
        m_Am = u"AM"_s;
    if (m_Pm.isEmpty())
        m_Pm = u"PM"_s;
    m_Group = m_Locale.groupSeparator();
}

LocaleFormats LocaleFormats::System() { return LocaleFormats(QLocale::system()); }

LocaleFormats LocaleFormats::Named(const QString& name) { return LocaleFormats(QLocale(name)); }

QString LocaleFormats::ShortDate(QDate date) const {
    QString out;
    out.reserve(8);
    const int month = date.month();
    const int day = date.day();
    const int year = date.year() % 100;
    const int fields[3][3] = {{month, day, year}, {day, month, year}, {year, month, day}};
    const int* f = fields[int(m_Order)];
    AppendTwoDigits(out, f[0]);
    out.append(m_DateSeparator);
    AppendTwoDigits(out, f[1]);
    out.append(m_DateSeparator);
    AppendTwoDigits(out, f[2]);
    return out;
}

QString LocaleFormats::LongDate(QDate date) const { return m_Locale.toString(date, m_LongPattern); }

QString LocaleFormats::TimeAmPm(QTime time) const {
    QString out;
    out.reserve(9 + m_Am.size());
    const int hour = time.hour() % 12;
    AppendTwoDigits(out, hour == 0 ? 12 : hour);
    out.append(u':');
    AppendTwoDigits(out, time.minute());
    out.append(u':');
    AppendTwoDigits(out, time.second());
    out.append(u' ');
    out.append(time.hour() < 12 ? m_Am : m_Pm);
    return out;
}
