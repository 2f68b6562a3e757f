#pragma once

#include "analysis/LocaleFormats.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

// How a GetRight log line is laid out: a date of 8 or 10 characters, a blank, the time
// as hh:mm:ss, three characters, then the message.

// The date test: month, day and year in the locale's order (1-2, 1-2 and 2 or 4 digits),
// separated by "/", "-" or ".", a valid calendar date, optionally followed by blanks and a
// time of day. Blanks at both ends are ignored.
bool IsDate(QStringView text, const LocaleFormats& formats);
std::optional<QDate> ReadDate(QStringView text, const LocaleFormats& formats);

// A time of day: hours ":" minutes, optionally ":" seconds, optionally AM or PM in any case
// (or the locale's own designators). Blanks at both ends are ignored.
std::optional<QTime> ReadTime(QStringView text, const LocaleFormats& formats);

// Two-digit years read as 2000-2029 for 00-29 and 1930-1999 for 30-99.
int ExpandTwoDigitYear(int year);

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

// Named formats applied to a text; a text that does not read as a date or time is
// returned unchanged.
QString RenderLongDate(const QString& text, const LocaleFormats& formats);
QString RenderShortDate(const QString& text, const LocaleFormats& formats);
QString RenderTimeAmPm(const QString& text, const LocaleFormats& formats);
