#pragma once

#include "analysis/LogAnalysis.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

// What a report shows of an analysed log: every download as the tree shows its numbers,
// downloads and resuming per period, and the busiest hosts. Plain data, written out as
// HTML or CSV by the report writers.

// The host a URL names, lower-cased, without credentials or port: "ftp.example.net" for
// "ftp://user:pw@FTP.example.net:21/pub/x". Empty when the URL names none.
QString HostOf(QStringView url);

struct DownloadRow {
    QString FileName; // as the tree's entry shows it
    QString Host;
    QString Url;
    QString LocalPath;
    QString Started;  // as stored: short date, " - ", time
    QString Finished; // empty while unfinished
    // The counts the tree shows (0 where it shows none).
    qint32 Restarts = 0;
    qint32 Resumes = 0;
    qint32 MirrorSwaps = 0;
    qint32 KbResumed = 0;
    std::optional<QDate> Day; // the day it started, when its start reads as a date
    bool Done() const { return !Finished.isEmpty(); }
};

enum class PeriodLength { Day, Week, Month };

struct PeriodTotals {
    QDate Start; // first day of the period
    qint32 Completed = 0;
    qint32 Unfinished = 0;
    qint64 KbResumed = 0;
    qint64 Restarts = 0;
    qint64 MirrorSwaps = 0;
};

struct HostTotals {
    QString Host; // empty: the URLs that name no host
    qint32 Downloads = 0;
    qint32 Finished = 0;
};

struct DownloadSummary {
    std::vector<DownloadRow> Rows; // in the order of the records
    PeriodLength Length = PeriodLength::Day;
    // Every period from the first start to the last, empty ones included.
    std::vector<PeriodTotals> Periods;
    qint32 Undated = 0;               // downloads whose start does not read as a date
    std::vector<HostTotals> TopHosts; // most downloads first, at most MaxHosts
    qint32 Finished = 0;
    static constexpr int MaxHosts = 15;
    // Logs that span more days than this are shown per week, and past MaxWeekSpanDays per
    // month, so that a chart keeps bars a reader can tell apart.
    static constexpr qint64 MaxDaySpanDays = 90;
    static constexpr qint64 MaxWeekSpanDays = 2 * 365;
};

DownloadSummary SummariseDownloads(const LogAnalysis& analysis);

// The first day of the period that holds day.
QDate PeriodStart(QDate day, PeriodLength length, Qt::DayOfWeek firstDayOfWeek);
