#include "analysis/LineFormat.h"

#include "analysis/TextRules.h"
#include "base/AsciiCase.h"
#include "records/modErrorHandling.h"

#include <algorithm>
#include <cstring>

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
    if (day <= 28) return true;
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

namespace {

template <class Unit> inline int Digit(const Unit* s, qsizetype i) {
    const auto c = s[i];
    return (c >= '0' && c <= '9') ? c - '0' : -1;
}
template <class Unit> inline bool IsSeparatorUnit(Unit c) {
    return c == '/' || c == '-' || c == '.';
}

// The shapes nearly every log line starts with, "mm/dd/yy", "mm/dd/yyyy" and the ten
// characters "mm/dd/yy h", decided without the general parser. Returns -1 when the text
// has another shape and the general parser must decide.
template <class View> int QuickDate(View text, const LocaleFormats& formats) {
    const auto* s = UnitsOf(text);
    if (formats.Order() == DateOrder::YearMonthDay || (text.size() != 8 && text.size() != 10))
        return -1;
    const int a1 = Digit(s, 0), a2 = Digit(s, 1), b1 = Digit(s, 3), b2 = Digit(s, 4);
    const int y1 = Digit(s, 6), y2 = Digit(s, 7);
    if ((a1 | a2 | b1 | b2 | y1 | y2) < 0 || !IsSeparatorUnit(s[2]) || !IsSeparatorUnit(s[5]))
        return -1;
    int year = y1 * 10 + y2;
    if (text.size() == 10) {
        const int y3 = Digit(s, 8), y4 = Digit(s, 9);
        if (y3 >= 0 && y4 >= 0) {
            year = year * 100 + y3 * 10 + y4;
            if (year < 100) return 0;
        } else if (s[8] == ' ' && y4 >= 0) {
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

int LeadingDateLength(QLatin1StringView line, const LocaleFormats& formats) {
    // "mm/dd/yy" followed by two digits or by a blank and a digit, in a month-first or
    // day-first locale, decided at once (the digits eight at a time); everything else as
    // the two tests do it.
    const char* s = line.data();
    if (formats.Order() != DateOrder::YearMonthDay && line.size() >= 10) {
        quint64 w;
        std::memcpy(&w, s, 8);
        constexpr quint64 Digits = 0xFFFF00FFFF00FFFFull; // bytes 0, 1, 3, 4, 6 and 7
        constexpr quint64 Threes = 0x3030303030303030ull & Digits;
        constexpr quint64 Highs = 0xF0F0F0F0F0F0F0F0ull & Digits;
        const quint64 d = w & Digits;
        const bool allDigits =
            (d & Highs) == Threes && ((d + (0x0606060606060606ull & Digits)) & Highs) == Threes;
        const int y3 = Digit(s, 8), y4 = Digit(s, 9);
        const bool shortTail = s[8] == ' ' && y4 >= 0, longTail = y3 >= 0 && y4 >= 0;
        if (allDigits && IsSeparatorUnit(s[2]) && IsSeparatorUnit(s[5]) &&
            (shortTail || longTail)) {
            const auto at = [w](int i) { return int((w >> (8 * i)) & 0xF); };
            const int first = at(0) * 10 + at(1), second = at(3) * 10 + at(4);
            const int yy = at(6) * 10 + at(7);
            const bool monthFirst = formats.Order() == DateOrder::MonthDayYear;
            const int month = monthFirst ? first : second, day = monthFirst ? second : first;
            const int fourDigits = yy * 100 + y3 * 10 + y4;
            if (longTail && fourDigits >= 100 && ValidDate(fourDigits, month, day)) return 10;
            return ValidDate(ExpandTwoDigitYear(yy), month, day) ? 8 : 0;
        }
    }
    const QLatin1StringView ten = line.first(std::min<qsizetype>(line.size(), 10));
    if (IsDate(ten, formats)) return 10;
    return IsDate(ten.first(std::min<qsizetype>(ten.size(), 8)), formats) ? 8 : 0;
}

bool IsDate(QLatin1StringView text, const LocaleFormats& formats) {
    const int quick = QuickDate(QByteArrayView(text.data(), text.size()), formats);
    if (quick >= 0) return quick == 1;
    return IsDate(QStringView(QString(text)), formats);
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

QByteArrayView FileNamePart(QByteArrayView path) {
    // Eight bytes at a time from the end; the high bit of each byte of the mask marks
    // exactly the "/" and "\\" among them, so the last one found is the last in the path.
    constexpr quint64 Ones = 0x0101010101010101ull, Lows = 0x7F7F7F7F7F7F7F7Full;
    const auto zeroBytes = [](quint64 x) { return ~(((x & Lows) + Lows) | x | Lows); };
    const auto separators = [&](quint64 chunk) {
        return zeroBytes(chunk ^ (Ones * '/')) | zeroBytes(chunk ^ (Ones * '\\'));
    };
    const auto after = [&](qsizetype chunkStart, quint64 mask) {
        return path.sliced(chunkStart + ((63 - qCountLeadingZeroBits(mask)) >> 3) + 1);
    };
    const char* data = path.data();
    qsizetype pos = path.size();
    quint64 chunk;
    for (; pos >= 8; pos -= 8) {
        std::memcpy(&chunk, data + pos - 8, 8);
        if (const quint64 mask = separators(chunk)) return after(pos - 8, mask);
    }
    if (pos == 0) return path;
    if (path.size() >= 8) {
        // The first pos bytes, read as the first eight: those past pos have no separator.
        std::memcpy(&chunk, data, 8);
        const quint64 mask = separators(chunk);
        return mask ? after(0, mask) : path;
    }
    while (pos > 0 && data[pos - 1] != '/' && data[pos - 1] != '\\')
        --pos;
    return path.sliced(pos);
}

QString SplitPath(QStringView path, QString* folder) {
    const QStringView name = FileNamePart(path);
    if (folder) *folder = path.first(path.size() - name.size()).toString();
    QString lowered;
    if (AsciiToLower(name, lowered)) return lowered;
    return name.toString().toLower();
}

namespace {

// Two ASCII digits at s, or -1.
template <class Unit> inline int TwoDigitsAt(const Unit* s) {
    const int a = Digit(s, 0), b = Digit(s, 1);
    return (a | b) < 0 ? -1 : a * 10 + b;
}

// The time "hh:mm:ss" at t as GetRight writes it, read without the general parser; nothing
// for any other shape, or a time out of range, which the parser then reads (and says why).
template <class Unit> std::optional<TimeParts> QuickClock(const Unit* t) {
    const int hour = TwoDigitsAt(t), minute = TwoDigitsAt(t + 3), second = TwoDigitsAt(t + 6);
    if ((hour | minute | second) < 0 || t[2] != ':' || t[5] != ':') return std::nullopt;
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return TimeParts{hour, minute, second};
}

// The date "mm/dd/yy" or "mm/dd/yyyy" (d characters at s) in the locale's order, read
// without the general parser; false for any other shape. The date may still be no valid
// date (date is then empty), as the parser would find.
template <class Unit>
bool QuickDay(const Unit* s, int d, const LocaleFormats& formats,
              std::optional<DateTimeParts>& date) {
    if (formats.Order() == DateOrder::YearMonthDay) return false;
    const int a = TwoDigitsAt(s), b = TwoDigitsAt(s + 3), yy = TwoDigitsAt(s + 6);
    if ((a | b | yy) < 0 || !IsSeparatorUnit(s[2]) || !IsSeparatorUnit(s[5])) return false;
    int year = ExpandTwoDigitYear(yy);
    if (d == 10) {
        const int low = TwoDigitsAt(s + 8);
        if (low < 0) return false;
        year = yy * 100 + low;
    }
    const bool monthFirst = formats.Order() == DateOrder::MonthDayYear;
    const int month = monthFirst ? a : b, day = monthFirst ? b : a;
    date.reset();
    if ((d == 8 || year >= 100) && ValidDate(year, month, day))
        date = DateTimeParts{year, month, day, std::nullopt};
    return true;
}

// The time and the date of a line as GetRight writes them; false for any other shape.
bool QuickEventTime(QStringView line, int d, const LocaleFormats& formats, TimeParts& time,
                    std::optional<DateTimeParts>& date) {
    if (line.size() < d + 9) return false;
    const auto clock = QuickClock(line.utf16() + d + 1);
    if (!clock || !QuickDay(line.utf16(), d, formats, date)) return false;
    time = *clock;
    return true;
}

} // namespace

QStringView WriteEventTime(QStringView line, bool dateIsLong, const LocaleFormats& formats,
                           std::vector<char16_t>& buffer) {
    const int d = DateLength(dateIsLong);
    const QStringView datePart = LeftOf(line, d);
    std::optional<TimeParts> time;
    std::optional<DateTimeParts> date;
    TimeParts quickTime{};
    if (QuickEventTime(line, d, formats, quickTime, date)) {
        time = quickTime;
    } else {
        time = ParseTimeParts(TrimBlanks(LeftOf(After(line, d + 1), 8)), formats);
        if (!time) RaiseRuntime(ErrorNumbers::TypeMismatch, u"Quillan"_s, u"Type mismatch"_s);
        date = ParseDateTime(datePart, formats);
    }
    const qsizetype longest = std::max(formats.AmText().size(), formats.PmText().size());
    buffer.resize(size_t(std::max<qsizetype>(datePart.size(), 8) + 3 + 9 + longest));
    char16_t* begin = buffer.data();
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
    return QStringView(begin, p - begin);
}

bool AppendEventTime(QByteArrayView line, bool dateIsLong, const LocaleFormats& formats,
                     EventDateMemo& memo, std::vector<char16_t>& out) {
    // What QuickEventTime accepts, read from the bytes; the date written once per day.
    const int d = DateLength(dateIsLong);
    if (line.size() < d + 9) return false;
    const char* s = line.data();
    const char* t = s + d + 1;
    const auto clock = QuickClock(t);
    if (!clock) return false;
    quint64 lastEight, eight;
    std::memcpy(&lastEight, memo.Bytes, 8);
    std::memcpy(&eight, s, 8);
    const bool sameDate = memo.Size == d && lastEight == eight &&
                          (d == 8 || (memo.Bytes[8] == s[8] && memo.Bytes[9] == s[9]));
    if (!sameDate) {
        std::optional<DateTimeParts> date;
        if (!QuickDay(s, d, formats, date)) return false;
        char16_t* p = memo.Text;
        if (date) {
            p = formats.WriteShortDate(p, date->Year, date->Month, date->Day);
        } else {
            for (int i = 0; i < d; ++i)
                *p++ = char16_t(static_cast<unsigned char>(s[i]));
        }
        memo.TextSize = int(p - memo.Text);
        std::memcpy(memo.Bytes, s, size_t(d));
        memo.Size = d;
    }
    const int hour = clock->Hour;
    const QString& designator = hour < 12 ? formats.AmText() : formats.PmText();
    char16_t text[sizeof memo.Text / sizeof memo.Text[0] + 12];
    char16_t* p = std::copy_n(memo.Text, memo.TextSize, text);
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    const char16_t rest[12] = {u' ',
                               u'-',
                               u' ',
                               char16_t(u'0' + hour12 / 10),
                               char16_t(u'0' + hour12 % 10),
                               u':',
                               char16_t(t[3]),
                               char16_t(t[4]),
                               u':',
                               char16_t(t[6]),
                               char16_t(t[7]),
                               u' '};
    p = std::copy_n(rest, 12, p);
    out.insert(out.end(), text, p);
    const auto* units = reinterpret_cast<const char16_t*>(designator.constData());
    out.insert(out.end(), units, units + designator.size());
    return true;
}

QString EventTimeText(QStringView line, bool dateIsLong, const LocaleFormats& formats) {
    std::vector<char16_t> buffer;
    return WriteEventTime(line, dateIsLong, formats, buffer).toString();
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
