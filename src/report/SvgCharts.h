#pragma once

#include "report/DownloadSummary.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Charts drawn as inline SVG, styled by the page's classes so that they follow its light
// or dark colours and print. Each carries a title and a description for screen readers,
// and every bar or point a tooltip with its numbers.
namespace SvgCharts {

struct Series {
    QString Name;     // in tooltips and legends
    QByteArray Class; // the page's style for it
    std::vector<qint64> Values;
};

using NumberText = std::function<QString(qint64)>;

// The largest of a run of values rounded up to 1, 2 or 5 times a power of ten, so that
// the axis divides into whole steps: {top, step}.
std::pair<qint64, qint64> NiceScale(qint64 largest, int steps = 4);

// Bars per period, the series stacked in order from the axis up.
QByteArray StackedBars(const QString& title, const QString& description, const QStringList& periods,
                       const std::vector<Series>& series, const NumberText& number);

// One line per series across the periods.
QByteArray Lines(const QString& title, const QString& description, const QStringList& periods,
                 const std::vector<Series>& series, const NumberText& number);

// One bar per host, its finished part in front; beside it the count and the share finished.
QByteArray HostBars(const QString& title, const QString& description,
                    const std::vector<HostTotals>& hosts, const NumberText& number,
                    const std::function<QString(qint32 finished, qint32 all)>& share);

} // namespace SvgCharts
