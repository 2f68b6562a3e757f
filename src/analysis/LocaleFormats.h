#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

// The user's conventions for dates, times and numbers. A C/POSIX system locale stands
// for en_US, the conventions GetRight's logs are most often written in.
class LocaleFormats {
public:
    explicit LocaleFormats(const QLocale& locale);
    static LocaleFormats System();
    static LocaleFormats Named(const QString& name);

    const QLocale& Locale() const { return m_Locale; }
    DateOrder Order() const { return m_Order; }
    QChar DateSeparator() const { return m_DateSeparator; }
    const QString& AmText() const { return m_Am; }
    const QString& PmText() const { return m_Pm; }
    const QString& GroupSeparator() const { return m_Group; }

    // Two-digit month and day, two-digit year, in the locale's order: always 8 characters.
    QString ShortDate(QDate date) const;
    void AppendShortDate(QString& out, int year, int month, int day) const;
    // The same forms written into a buffer: 8 units for the date, 9 plus the AM/PM text for
    // the time. Return the end of what was written.
    char16_t* WriteShortDate(char16_t* out, int year, int month, int day) const;
    char16_t* WriteTimeAmPm(char16_t* out, int hour, int minute, int second) const;
    QString LongDate(QDate date) const;
    // "hh:mm:ss AMPM": 12-hour clock (12 for hour 0), one blank, the AM or PM text.
    QString TimeAmPm(QTime time) const;
    // Upper case by the locale's rules; only a few languages differ from the default ones
    // (the dotted and dotless i), so the others take the quicker default mapping.
    QString ToUpper(const QString& text) const;
    QString ToLower(const QString& text) const;
    // Whether ToUpper and ToLower change ASCII letters as plain ASCII does.
    bool PlainAsciiCase() const { return !m_SpecialCasing; }

private:
    QLocale m_Locale;
    DateOrder m_Order = DateOrder::MonthDayYear;
    QChar m_DateSeparator = u'/';
    QString m_LongPattern;
    QString m_Am;
    QString m_Pm;
    QString m_Group;
    bool m_SpecialCasing = false;
};
