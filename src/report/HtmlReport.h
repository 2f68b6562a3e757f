#pragma once

#include "analysis/LocaleFormats.h"
#include "report/DownloadSummary.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the page says of the log as a whole, as the window shows it.
struct ReportHeading {
    QString LogName;          // the log's file name
    QStringList StatCaptions; // the statistics panel, in panel order
    QStringList StatValues;
    QString FirstDay; // the dates the log covers, as the panel shows them
    QString LastDay;
};

// One self-contained HTML5 page: inline styles, charts drawn as SVG, the downloads as a
// table that a small inline script pages, sorts and filters. Nothing is fetched when it is
// viewed. Without script the first StaticRows downloads show, with a line saying how many
// there are.
QByteArray HtmlReport(const DownloadSummary& summary, const ReportHeading& heading,
                      const LocaleFormats& formats);

inline constexpr int StaticRows = 1000;
