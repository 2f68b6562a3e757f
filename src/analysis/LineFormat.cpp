#include "analysis/LineFormat.h"

#include "analysis/TextRules.h"
#include "base/AsciiCase.h"
#include "records/modErrorHandling.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool IsDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

// Reads 1..maxDigits ASCII digits at pos; returns the count read (0 when none).
int ReadDigits(QStringView s, qsizetype& pos, int maxDigits, int& value) {
    int count = 0;
    value = 0;
    while (pos < s.size() && count < maxDigits && IsDigit(s[pos])) {
        value = value * 10 + (s[pos].unicode() - u'0');
        ++pos;
        ++count;
    }
    return count;
}

bool IsDateSeparator(QChar c) { return c == u'/' || c == u'-' || c == u'.'; }

bool MatchesWord(QStringView s, qsizetype pos, QStringView word) {
    return !word.isEmpty() && s.size() - pos == word.size() &&
           s.sliced(pos).compare(word, Qt::CaseInsensitive) == 0;
}

struct TimeParts {
    int Hour, Minute, Second;
};

// Parses a time of day that fills s exactly (s already trimmed).
std::optional<TimeParts> ParseTimeParts(QStringView s, const LocaleFormats& formats) {
    qsizetype pos = 0;
    int hour = 0, minute = 0, second = 0;
    if (ReadDigits(s, pos, 2, hour) == 0 || pos >= s.size() || s[pos] != u':') return std::nullopt;
    ++pos;
    if (ReadDigits(s, pos, 2, minute) == 0) return std::nullopt;
    if (pos < s.size() && s[pos] == u':') {
        ++pos;
        if (ReadDigits(s, pos, 2, second) == 0) return std::nullopt;
    }
    while (pos < s.size() && s[pos] == u' ')
        ++pos;
    if (pos < s.size()) {
        const bool am = MatchesWord(s, pos, u"AM") || MatchesWord(s, pos, formats.AmText());
        const bool pm =
            !am && (MatchesWord(s, pos, u"PM") || MatchesWord(s, pos, formats.PmText()));
        if (!am && !pm) return std::nullopt;
        if (hour > 12) return std::nullopt;
        if (am && hour == 12)
            hour = 0;
        else if (pm && hour < 12)
            hour += 12;
    }
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return TimeParts{hour, minute, second};
}

std::optional<QTime> ParseTime(QStringView s, const LocaleFormats& formats) {
    const auto parts = ParseTimeParts(s, formats);
    if (!parts) return std::nullopt;
    return QTime(parts->Hour, parts->Minute, parts->Second);
}

struct DateTimeParts {
    int Year, Month, Day;
    std::optional<QTime> Time;
    QDate Date() const { return QDate(Year, Month, Day); }
};

bool ValidDate(int year, int month, int day) {
    static constexpr int DaysIn[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= DaysIn[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::optional<DateTimeParts> ParseDateTime(QStringView text, const LocaleFormats& formats) {
    const QStringView s = TrimBlanks(text);
    if (s.size() < 6) return std::nullopt;
    qsizetype pos = 0;
    int values[3] = {0, 0, 0};
    int lengths[3] = {0, 0, 0};
    const bool yearFirst = formats.Order() == DateOrder::YearMonthDay;
    for (int field = 0; field < 3; ++field) {
        if (field > 0) {
            if (pos >= s.size() || !IsDateSeparator(s[pos])) return std::nullopt;
            ++pos;
        }
        const bool isYear = yearFirst ? field == 0 : field == 2;
        lengths[field] = ReadDigits(s, pos, isYear ? 4 : 2, values[field]);
        if (isYear ? (lengths[field] != 2 && lengths[field] != 4) : lengths[field] == 0)
            return std::nullopt;
    }
    int year = 0, month = 0, day = 0;
    switch (formats.Order()) {
    case DateOrder::MonthDayYear:
        month = values[0], day = values[1], year = values[2];
        break;
    case DateOrder::DayMonthYear:
        day = values[0], month = values[1], year = values[2];
        break;
    case DateOrder::YearMonthDay:
        year = values[0], month = values[1], day = values[2];
        break;
    }
    const int yearLength = lengths[yearFirst ? 0 : 2];
    if (yearLength == 2)
        year = ExpandTwoDigitYear(year);
    else if (year < 100)
        return std::nullopt;
    if (!ValidDate(year, month, day)) return std::nullopt;

    DateTimeParts parts{year, month, day, std::nullopt};
    if (pos == s.size()) return parts;
    // Only blanks and a time of day may follow the date.
    if (s[pos] != u' ') return std::nullopt;
    parts.Time = ParseTime(TrimBlanks(s.sliced(pos)), formats);
    if (!parts.Time) return std::nullopt;
    return parts;
}

} // namespace

int ExpandTwoDigitYear(int year) { return year < 30 ? 2000 + year : 1900 + year; }

namespace {

inline int Digit(QStringView s, qsizetype i) {
    const char16_t c = s[i].unicode();
    return (c >= u'0' && c <= u'9') ? c - u'0' : -1;
}

// The shapes nearly every log line starts with, "mm/dd/yy", "mm/dd/yyyy" and the ten
// characters "mm/dd/yy h", decided without the general parser. Returns -1 when the text
// has another shape and the general parser must decide.
int QuickDate(QStringView s, const LocaleFormats& formats) {
    if (formats.Order() == DateOrder::YearMonthDay || (s.size() != 8 && s.size() != 10)) return -1;
    const int a1 = Digit(s, 0), a2 = Digit(s, 1), b1 = Digit(s, 3), b2 = Digit(s, 4);
    const int y1 = Digit(s, 6), y2 = Digit(s, 7);
    if ((a1 | a2 | b1 | b2 | y1 | y2) < 0 || !IsDateSeparator(s[2]) || !IsDateSeparator(s[5]))
        return -1;
    int year = y1 * 10 + y2;
    if (s.size() == 10) {
        const int y3 = Digit(s, 8), y4 = Digit(s, 9);
        if (y3 >= 0 && y4 >= 0) {
            year = year * 100 + y3 * 10 + y4;
            if (year < 100) return 0;
        } else if (s[8] == u' ' && y4 >= 0) {
            return 0; // a date, a blank and a lone digit: not a time of day
        } else {
            return -1;
        }
    } else {
        year = ExpandTwoDigitYear(year);
    }
    const int first = a1 * 10 + a2, second = b1 * 10 + b2;
    const bool monthFirst = formats.Order() == DateOrder::MonthDayYear;
    return ValidDate(year, monthFirst ? first : second, monthFirst ? second : first) ? 1 : 0;
}

} // namespace

bool IsDate(QStringView text, const LocaleFormats& formats) {
    const int quick = QuickDate(text, formats);
    if (quick >= 0) return quick == 1;
    return ParseDateTime(text, formats).has_value();
}

std::optional<QDate> ReadDate(QStringView text, const LocaleFormats& formats) {
    const auto parts = ParseDateTime(text, formats);
    if (!parts) return std::nullopt;
    return parts->Date();
}

std::optional<QTime> ReadTime(QStringView text, const LocaleFormats& formats) {
    return ParseTime(TrimBlanks(text), formats);
}

namespace {
template <class View> View NamePart(View path) {
    const auto* units = UnitsOf(path);
    qsizetype pos = path.size();
    while (pos > 0 && units[pos - 1] != '/' && units[pos - 1] != '\\')
        --pos;
    return path.sliced(pos);
}
} // namespace

QStringView FileNamePart(QStringView path) { return NamePart(path); }
QByteArrayView FileNamePart(QByteArrayView path) { return NamePart(path); }

QString SplitPath(QStringView path, QString* folder) {
    const QStringView name = FileNamePart(path);
    if (folder) *folder = path.first(path.size() - name.size()).toString();
    QString lowered;
    if (AsciiToLower(name, lowered)) return lowered;
    return name.toString().toLower();
}

QString EventTimeText(QStringView line, bool dateIsLong, const LocaleFormats& formats) {
    const int d = DateLength(dateIsLong);
    const QStringView datePart = LeftOf(line, d);
    const auto time = ParseTimeParts(TrimBlanks(LeftOf(After(line, d + 1), 8)), formats);
    if (!time) RaiseRuntime(ErrorNumbers::TypeMismatch, u"Quillan"_s, u"Type mismatch"_s);
    const auto date = ParseDateTime(datePart, formats);
    // One allocation: the text is written straight into the string.
    const qsizetype longest = std::max(formats.AmText().size(), formats.PmText().size());
    QString text(std::max<qsizetype>(datePart.size(), 8) + 3 + 9 + longest, Qt::Uninitialized);
    char16_t* begin = reinterpret_cast<char16_t*>(text.data());
    char16_t* p = begin;
    if (date) {
        p = formats.WriteShortDate(p, date->Year, date->Month, date->Day);
    } else {
        std::copy_n(datePart.utf16(), datePart.size(), p);
        p += datePart.size();
    }
    *p++ = u' ';
    *p++ = u'-';
    *p++ = u' ';
    p = formats.WriteTimeAmPm(p, time->Hour, time->Minute, time->Second);
    text.truncate(p - begin);
    return text;
}

QString RenderLongDate(const QString& text, const LocaleFormats& formats) {
    const auto date = ReadDate(text, formats);
    return date ? formats.LongDate(*date) : text;
}

QString RenderShortDate(const QString& text, const LocaleFormats& formats) {
    const auto date = ReadDate(text, formats);
    return date ? formats.ShortDate(*date) : text;
}

QString RenderTimeAmPm(const QString& text, const LocaleFormats& formats) {
    if (const auto time = ReadTime(text, formats)) return formats.TimeAmPm(*time);
    // A full date and time shows its time; a date alone stands for midnight.
    if (const auto parts = ParseDateTime(text, formats))
        return formats.TimeAmPm(parts->Time.value_or(QTime(0, 0)));
    return text;
}
