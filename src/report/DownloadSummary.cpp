#include "report/DownloadSummary.h"

#include "analysis/LineFormat.h"

#include <QHash>

#include <algorithm>
#include <string_view>
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace {

// The part of a URL between its scheme and its path: credentials, host and port.
QStringView AuthorityOf(QStringView url) {
    url = url.trimmed();
    const qsizetype scheme = url.indexOf(u"://");
    if (scheme <= 0) return {};
    QStringView rest = url.sliced(scheme + 3);
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != u'/' && rest[end] != u'?' && rest[end] != u'#' &&
           rest[end] != u'\\')
        ++end;
    return rest.first(end);
}

QString HostOfAuthority(QStringView authority) {
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0)
        authority = authority.sliced(at + 1);
    if (authority.startsWith(u'[')) {
        // An IPv6 address keeps its brackets; the port follows them.
        const qsizetype close = authority.indexOf(u']');
        authority = close < 0 ? QStringView() : authority.first(close + 1);
    } else if (const qsizetype colon = authority.lastIndexOf(u':'); colon >= 0) {
        authority = authority.first(colon);
    }
    QString host = authority.toString();
    for (QChar& c : host)
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    return host;
}

} // namespace

QString HostOf(QStringView url) { return HostOfAuthority(AuthorityOf(url)); }

QDate PeriodStart(QDate day, PeriodLength length, Qt::DayOfWeek firstDayOfWeek) {
    switch (length) {
    case PeriodLength::Day:
        return day;
    case PeriodLength::Week:
        return day.addDays(-((day.dayOfWeek() - int(firstDayOfWeek) + 7) % 7));
    case PeriodLength::Month:
        return QDate(day.year(), day.month(), 1);
    }
    return day;
}

namespace {

QDate NextPeriod(QDate start, PeriodLength length) {
    switch (length) {
    case PeriodLength::Day:
        return start.addDays(1);
    case PeriodLength::Week:
        return start.addDays(7);
    case PeriodLength::Month:
        return start.addMonths(1);
    }
    return start.addDays(1);
}

// The tree shows a count only when it is above zero; the report shows the same numbers.
qint32 Shown(qint32 count) { return std::max(count, 0); }

} // namespace

DownloadSummary SummariseDownloads(const LogAnalysis& analysis) {
    DownloadSummary summary;
    const LocaleFormats& formats = analysis.Formats();
    summary.Rows.reserve(size_t(analysis.Entries().Count()));
    QHash<QString, qsizetype> hostIndex;
    std::vector<HostTotals> hosts;
    std::unordered_map<std::u16string_view, QString> hostOfAuthority;
    // Starts come mostly in order: the last day read is the likely next one.
    QString lastDayText;
    std::optional<QDate> lastDay;
    analysis.Entries().NewEnum([&](const LogEntry& e) {
        DownloadRow row;
        row.FileName = e.FName();
        row.Url = e.URL();
        // Most downloads come from a few hosts: each spelling of an authority is read once.
        // The views stay valid, as the records keep their URLs for the whole summary.
        const QStringView authority = AuthorityOf(row.Url);
        const std::u16string_view key(authority.utf16(), size_t(authority.size()));
        auto known = hostOfAuthority.find(key);
        if (known == hostOfAuthority.end())
            known = hostOfAuthority.emplace(key, HostOfAuthority(authority)).first;
        row.Host = known->second;
        row.LocalPath = e.LocalName();
        row.Started = e.DateStarted();
        row.Finished = e.DateFinished();
        row.Restarts = Shown(e.Restarts());
        row.Resumes = Shown(e.Resumes());
        row.MirrorSwaps = Shown(e.Mirrors());
        row.KbResumed = Shown(e.Num());
        const qsizetype dash = row.Started.indexOf(u" - ");
        const QStringView dayText = QStringView(row.Started).first(dash < 0 ? 0 : dash);
        if (dayText != lastDayText) {
            lastDayText = dayText.toString();
            lastDay = ReadDate(dayText, formats);
        }
        row.Day = lastDay;
        if (row.Done()) ++summary.Finished;

        auto it = hostIndex.constFind(row.Host);
        if (it == hostIndex.cend()) {
            it = hostIndex.insert(row.Host, qsizetype(hosts.size()));
            hosts.push_back(HostTotals{row.Host});
        }
        HostTotals& host = hosts[size_t(*it)];
        ++host.Downloads;
        if (row.Done()) ++host.Finished;
        summary.Rows.push_back(std::move(row));
    });

    std::stable_sort(hosts.begin(), hosts.end(), [](const HostTotals& a, const HostTotals& b) {
        if (a.Downloads != b.Downloads) return a.Downloads > b.Downloads;
        return a.Host < b.Host;
    });
    if (hosts.size() > size_t(DownloadSummary::MaxHosts))
        hosts.resize(size_t(DownloadSummary::MaxHosts));
    summary.TopHosts = std::move(hosts);

    std::optional<QDate> first;
    std::optional<QDate> last;
    for (const DownloadRow& row : summary.Rows) {
        if (!row.Day) {
            ++summary.Undated;
            continue;
        }
        if (!first || *row.Day < *first) first = row.Day;
        if (!last || *row.Day > *last) last = row.Day;
    }
    if (!first) return summary;

    const qint64 span = first->daysTo(*last);
    summary.Length = span <= DownloadSummary::MaxDaySpanDays    ? PeriodLength::Day
                     : span <= DownloadSummary::MaxWeekSpanDays ? PeriodLength::Week
                                                                : PeriodLength::Month;
    const Qt::DayOfWeek weekStart = formats.Locale().firstDayOfWeek();
    const QDate from = PeriodStart(*first, summary.Length, weekStart);
    const QDate to = PeriodStart(*last, summary.Length, weekStart);
    for (QDate d = from; d <= to; d = NextPeriod(d, summary.Length))
        summary.Periods.push_back(PeriodTotals{d});

    for (const DownloadRow& row : summary.Rows) {
        if (!row.Day) continue;
        const QDate start = PeriodStart(*row.Day, summary.Length, weekStart);
        // Periods are contiguous, so the index follows from the distance to the first.
        size_t index = 0;
        switch (summary.Length) {
        case PeriodLength::Day:
            index = size_t(from.daysTo(start));
            break;
        case PeriodLength::Week:
            index = size_t(from.daysTo(start) / 7);
            break;
        case PeriodLength::Month:
            index = size_t((start.year() - from.year()) * 12 + start.month() - from.month());
            break;
        }
        PeriodTotals& period = summary.Periods[index];
        (row.Done() ? period.Completed : period.Unfinished) += 1;
        period.KbResumed += row.KbResumed;
        period.Restarts += row.Restarts;
        period.MirrorSwaps += row.MirrorSwaps;
    }
    return summary;
}
