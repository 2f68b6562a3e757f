#pragma once

#include "analysis/LocaleFormats.h"

#include <QByteArrayView>
#include <QDate>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>
#include <vector>

// How a GetRight log line is laid out: a date of 8 or 10 characters, a blank, the time
// as hh:mm:ss, three characters, then the message.

// The date test: month, day and year in the locale's order (1-2, 1-2 and 2 or 4 digits),
// separated by "/", "-" or ".", a valid calendar date, optionally followed by blanks and a
// time of day. Blanks at both ends are ignored.
bool IsDate(QStringView text, const LocaleFormats& formats);
bool IsDate(QLatin1StringView text, const LocaleFormats& formats);
// What the loader asks of a line whose first ten characters are ASCII: 10 when they form a
// date, otherwise 8 when the first eight do, otherwise 0.
int LeadingDateLength(QLatin1StringView line, const LocaleFormats& formats);
std::optional<QDate> ReadDate(QStringView text, const LocaleFormats& formats);

// A time of day: hours ":" minutes, optionally ":" seconds, optionally AM or PM in any case
// (or the locale's own designators). Blanks at both ends are ignored.
std::optional<QTime> ReadTime(QStringView text, const LocaleFormats& formats);

// Two-digit years read as 2000-2029 for 00-29 and 1930-1999 for 30-99.
inline int ExpandTwoDigitYear(int year) { return year < 30 ? 2000 + year : 1900 + year; }

inline int DateLength(bool dateIsLong) { return dateIsLong ? 10 : 8; }
inline int LineOffset(bool dateIsLong) { return DateLength(dateIsLong) + 12; }

// Lower-cased file name after the last "/" or "\"; folder gets everything up to and
// including that separator (empty when there is none).
QString SplitPath(QStringView path, QString* folder = nullptr);

// The file-name part of a path or URL as it stands (after the last "/" or "\").
QStringView FileNamePart(QStringView path);
QByteArrayView FileNamePart(QByteArrayView path);

// The start and finish text of a record: the line's date in the short form, " - ",
// the time as "hh:mm:ss AMPM". A time that does not read as one raises.
QString EventTimeText(QStringView line, bool dateIsLong, const LocaleFormats& formats);
// The same text written into buffer, which the view returned points into.
QStringView WriteEventTime(QStringView line, bool dateIsLong, const LocaleFormats& formats,
                           std::vector<char16_t>& buffer);

// The last date AppendEventTime wrote, with the bytes it was read from: a log's lines come
// a day at a time, so nearly every line writes the date the line before it wrote.
struct EventDateMemo {
    char Bytes[10] = {};
    int Size = 0; // 0: none yet
    char16_t Text[10] = {};
    int TextSize = 0;
};
// WriteEventTime's text for a line read from its bytes, appended to out, where its date and
// time have the shape GetRight writes and are ASCII; false, and out unchanged, for any other
// line, which WriteEventTime then reads. memo must only ever meet one formats.
bool AppendEventTime(QByteArrayView line, bool dateIsLong, const LocaleFormats& formats,
                     EventDateMemo& memo, std::vector<char16_t>& out);

// Named formats applied to a text; a text that does not read as a date or time is
// returned unchanged.
QString RenderLongDate(const QString& text, const LocaleFormats& formats);
QString RenderShortDate(const QString& text, const LocaleFormats& formats);
QString RenderTimeAmPm(const QString& text, const LocaleFormats& formats);
