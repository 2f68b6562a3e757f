#include "report/HtmlReport.h"

#include "analysis/LineFormat.h"
#include "analysis/TextRules.h"
#include "report/HtmlText.h"
#include "report/SvgCharts.h"

#include <QFile>
#include <QHash>

#include <charconv>

using namespace Qt::StringLiterals;

// A static library's resources are registered by hand; the call must stand outside any
// namespace.
static void RegisterReportResources() { Q_INIT_RESOURCE(report); }

namespace {

QByteArray Resource(const QString& name) {
    static const bool registered = (RegisterReportResources(), true);
    Q_UNUSED(registered);
    QFile file(u":/report/"_s + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Escape(QByteArray& out, QStringView text) { HtmlText::AppendEscaped(out, text); }

// The day and the time of a start or finish text ("12/31/01 - 09:35:14 AM").
std::pair<QStringView, QStringView> DayAndTime(QStringView text) {
    const qsizetype dash = text.indexOf(u" - ");
    if (dash < 0) return {text, {}};
    return {text.first(dash), text.sliced(dash + 3)};
}

class Page {
public:
    Page(const DownloadSummary& summary, const ReportHeading& heading, const LocaleFormats& formats)
        : m_Summary(summary), m_Heading(heading), m_Formats(formats) {}

    QByteArray Write() {
        m_Out.reserve(qsizetype(m_Summary.Rows.size()) * 90 + 200000);
        Head();
        Heading();
        Charts();
        Table();
        m_Out += "<footer>Made by Quillan from the GetRight log ";
        Escape(m_Out, m_Heading.LogName);
        m_Out += ".</footer></main>\n";
        Data();
        m_Out += "<script>\n" + Resource(u"report.js"_s) + "</script>\n</body>\n</html>\n";
        return m_Out;
    }

private:
    QString Number(qint64 value) const {
        return FormatGrouped(value, m_Formats.GroupSeparator(), false);
    }
    QString Share(qint32 finished, qint32 all) const {
        const qint64 percent = all > 0 ? (qint64(finished) * 100 + all / 2) / all : 0;
        return QString::number(percent) + u"% finished"_s;
    }
    QString PeriodWord() const {
        switch (m_Summary.Length) {
        case PeriodLength::Day:
            return u"day"_s;
        case PeriodLength::Week:
            return u"week"_s;
        case PeriodLength::Month:
            return u"month"_s;
        }
        return u"day"_s;
    }
    QString PeriodLabel(QDate start) const {
        if (m_Summary.Length == PeriodLength::Month)
            return m_Formats.Locale().monthName(start.month(), QLocale::ShortFormat) + u' ' +
                   QString::number(start.year());
        return m_Formats.ShortDate(start);
    }

    void Head() {
        m_Out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                 "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                 "<meta name=\"color-scheme\" content=\"light dark\">\n"
                 // Nothing on the page may come from elsewhere, whatever a log holds.
                 "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                 "style-src 'unsafe-inline'; script-src 'unsafe-inline'; img-src data:\">\n"
                 "<title>Quillan report: ";
        Escape(m_Out, m_Heading.LogName);
        m_Out += "</title>\n<style>\n" + Resource(u"report.css"_s) +
                 "</style>\n</head>\n<body>\n<main>\n";
    }

    void Heading() {
        m_Out += "<header><h1>";
        Escape(m_Out, m_Heading.LogName);
        m_Out += "</h1><p>";
        if (!m_Heading.FirstDay.isEmpty()) {
            m_Out += "From ";
            Escape(m_Out, m_Heading.FirstDay);
            m_Out += " to ";
            Escape(m_Out, m_Heading.LastDay);
            m_Out += " \xC2\xB7 ";
        }
        m_Out += Number(qint64(m_Summary.Rows.size())).toUtf8() +
                 (m_Summary.Rows.size() == 1 ? " download" : " downloads") +
                 "</p></header>\n<ul class=\"stats\" aria-label=\"Log Statistics\">";
        for (qsizetype i = 0; i < m_Heading.StatCaptions.size(); ++i) {
            m_Out += "<li><span class=\"caption\">";
            Escape(m_Out, m_Heading.StatCaptions[i]);
            m_Out += "</span> <span class=\"value\">";
            Escape(m_Out, m_Heading.StatValues.value(i));
            m_Out += "</span></li>";
        }
        m_Out += "</ul>\n";
    }

    static QByteArray Legend(std::initializer_list<std::pair<const char*, QString>> entries) {
        QByteArray out = "<ul class=\"legend\">";
        for (const auto& [colour, name] : entries) {
            out += QByteArray("<li style=\"--swatch: var(--") + colour + ")\">";
            Escape(out, name);
            out += "</li>";
        }
        return out + "</ul>";
    }

    void Figure(const QString& caption, const QByteArray& legend, const QByteArray& svg) {
        m_Out += "<figure><figcaption>";
        Escape(m_Out, caption);
        m_Out += "</figcaption>" + legend + svg + "</figure>\n";
    }

    void Charts() {
        m_Out += "<section class=\"charts\" aria-label=\"Charts\">\n";
        const auto& periods = m_Summary.Periods;
        const SvgCharts::NumberText number = [this](qint64 v) { return Number(v); };
        if (periods.empty()) {
            m_Out += "<p class=\"empty\">No download in this log has a start date to chart.</p>";
        } else {
            QStringList labels;
            SvgCharts::Series completed{u"completed"_s, "done", {}};
            SvgCharts::Series unfinished{u"unfinished"_s, "open", {}};
            SvgCharts::Series kb{u"KB recovered"_s, "kb", {}};
            SvgCharts::Series restarts{u"restarts"_s, "restarts", {}};
            SvgCharts::Series mirrors{u"mirror swaps"_s, "mirrors", {}};
            qint64 allKb = 0, allRestarts = 0, allMirrors = 0, allDone = 0, allOpen = 0;
            for (const PeriodTotals& p : periods) {
                labels << PeriodLabel(p.Start);
                completed.Values.push_back(p.Completed);
                unfinished.Values.push_back(p.Unfinished);
                kb.Values.push_back(p.KbResumed);
                restarts.Values.push_back(p.Restarts);
                mirrors.Values.push_back(p.MirrorSwaps);
                allKb += p.KbResumed;
                allRestarts += p.Restarts;
                allMirrors += p.MirrorSwaps;
                allDone += p.Completed;
                allOpen += p.Unfinished;
            }
            const QString per = PeriodWord();
            const QString span = u" from "_s + labels.front() + u" to "_s + labels.back();
            QString note;
            if (m_Summary.Undated > 0)
                note = u" "_s + Number(m_Summary.Undated) +
                       u" downloads whose start is not a date are left out."_s;

            Figure(u"Downloads started per "_s + per,
                   Legend({{"done", u"Completed"_s}, {"open", u"Unfinished"_s}}),
                   SvgCharts::StackedBars(u"Downloads started per "_s + per,
                                          Number(allDone) + u" completed and "_s + Number(allOpen) +
                                              u" unfinished downloads started per "_s + per + span +
                                              u'.' + note,
                                          labels, {completed, unfinished}, number));
            Figure(u"Kilobytes recovered by resuming, per "_s + per,
                   Legend({{"kb", u"Kilobytes recovered by resuming"_s}}),
                   SvgCharts::StackedBars(u"Kilobytes recovered by resuming, per "_s + per,
                                          Number(allKb) + u" KB recovered by resuming, per "_s +
                                              per + span + u'.',
                                          labels, {kb}, number));
            Figure(u"Restarts and mirror swaps, per "_s + per,
                   Legend({{"restarts", u"Restarts"_s}, {"mirrors", u"Mirror swaps"_s}}),
                   SvgCharts::Lines(u"Restarts and mirror swaps, per "_s + per,
                                    Number(allRestarts) + u" restarts and "_s + Number(allMirrors) +
                                        u" mirror swaps, per "_s + per + span + u'.',
                                    labels, {restarts, mirrors}, number));
        }
        if (!m_Summary.TopHosts.empty()) {
            QString description = u"Downloads per host, with the share that finished: "_s;
            for (size_t i = 0; i < m_Summary.TopHosts.size(); ++i) {
                const HostTotals& h = m_Summary.TopHosts[i];
                if (i > 0) description += u"; "_s;
                description += (h.Host.isEmpty() ? u"(no host)"_s : h.Host) + u' ' +
                               Number(h.Downloads) + u", "_s + Share(h.Finished, h.Downloads);
            }
            const QString title = m_Summary.TopHosts.size() == 1
                                      ? u"The host of every download"_s
                                      : u"The "_s + QString::number(m_Summary.TopHosts.size()) +
                                            u" hosts with the most downloads"_s;
            Figure(title, Legend({{"done", u"Finished"_s}, {"open", u"Not finished"_s}}),
                   SvgCharts::HostBars(title, description, m_Summary.TopHosts, number,
                                       [this](qint32 f, qint32 a) { return Share(f, a); }));
        }
        m_Out += "</section>\n";
    }

    void Table() {
        const qsizetype n = qsizetype(m_Summary.Rows.size());
        m_Out += "<section aria-labelledby=\"downloads-title\"><h2 id=\"downloads-title\">"
                 "Downloads</h2>\n"
                 "<div class=\"table-controls\" id=\"table-controls\" hidden>"
                 "<input type=\"search\" id=\"table-filter\" placeholder=\"Filter by name, host "
                 "or date\" aria-label=\"Filter the downloads\">"
                 "<label>Rows <select id=\"table-size\"><option>50</option>"
                 "<option selected>100</option><option>500</option><option>1000</option>"
                 "</select></label>"
                 "<button type=\"button\" id=\"table-prev\">Previous</button>"
                 "<button type=\"button\" id=\"table-next\">Next</button></div>\n"
                 "<div class=\"table-wrap\"><table id=\"downloads\"><thead><tr>"
                 "<th scope=\"col\">File</th><th scope=\"col\">Host</th>"
                 "<th scope=\"col\">Started</th><th scope=\"col\">Finished</th>"
                 "<th scope=\"col\" class=\"num\">Restarts</th>"
                 "<th scope=\"col\" class=\"num\">Resumes</th>"
                 "<th scope=\"col\" class=\"num\">Mirror swaps</th>"
                 "<th scope=\"col\" class=\"num\">KB resumed</th>"
                 "<th scope=\"col\">Status</th></tr></thead>\n<tbody>\n";
        const qsizetype shown = std::min<qsizetype>(n, StaticRows);
        for (qsizetype i = 0; i < shown; ++i) {
            const DownloadRow& r = m_Summary.Rows[size_t(i)];
            m_Out += "<tr><td class=\"name\">";
            Escape(m_Out, r.FileName);
            m_Out += "</td><td class=\"host\">";
            Escape(m_Out, r.Host);
            m_Out += "</td><td>";
            Escape(m_Out, r.Started);
            m_Out += "</td><td>";
            Escape(m_Out, r.Finished);
            m_Out += "</td><td class=\"num\">" + Number(r.Restarts).toUtf8() +
                     "</td><td class=\"num\">" + Number(r.Resumes).toUtf8() +
                     "</td><td class=\"num\">" + Number(r.MirrorSwaps).toUtf8() +
                     "</td><td class=\"num\">" + Number(r.KbResumed).toUtf8() + "</td>" +
                     (r.Done() ? "<td class=\"status-done\">Completed</td>"
                               : "<td class=\"status-open\">Unfinished</td>") +
                     "</tr>\n";
        }
        m_Out += "</tbody></table></div>\n<p class=\"note\" id=\"table-note\">";
        if (n == 0)
            m_Out += "The log holds no downloads.";
        else if (n <= StaticRows)
            m_Out += n == 1 ? QByteArray("The one download of the log.")
                            : "All " + Number(n).toUtf8() + " downloads of the log.";
        else
            m_Out += "The first " + Number(StaticRows).toUtf8() + " of " + Number(n).toUtf8() +
                     " downloads; with scripts allowed, the table pages, sorts and filters "
                     "them all.";
        m_Out += "</p></section>\n";
    }

    // The rows for the script, compact: days and hosts once each, rows as arrays.
    void Data() {
        QHash<QString, qsizetype> dayIndex;
        QByteArray days;
        // Downloads come mostly in the order they started: the last day is the likely one.
        QString lastDay;
        qsizetype lastDayIndex = -1;
        const auto day = [&](QStringView text) -> qsizetype {
            if (lastDayIndex >= 0 && text == lastDay) return lastDayIndex;
            lastDay = text.toString();
            auto it = dayIndex.constFind(lastDay);
            if (it == dayIndex.cend()) {
                it = dayIndex.insert(lastDay, dayIndex.size());
                if (!days.isEmpty()) days += ',';
                days += '[';
                HtmlText::AppendJsonString(days, lastDay);
                days += ',';
                const std::optional<QDate> date = ReadDate(lastDay, m_Formats);
                if (date)
                    HtmlText::AppendNumber(days, date->toJulianDay());
                else
                    days += "null";
                days += ']';
            }
            lastDayIndex = *it;
            return lastDayIndex;
        };
        QHash<QString, qsizetype> hostIndex;
        QByteArray hosts;
        QByteArray rows;
        rows.reserve(qsizetype(m_Summary.Rows.size()) * 64);
        for (const DownloadRow& r : m_Summary.Rows) {
            auto h = hostIndex.constFind(r.Host);
            if (h == hostIndex.cend()) {
                h = hostIndex.insert(r.Host, hostIndex.size());
                if (!hosts.isEmpty()) hosts += ',';
                HtmlText::AppendJsonString(hosts, r.Host);
            }
            if (!rows.isEmpty()) rows += ",\n";
            rows += '[';
            HtmlText::AppendJsonString(rows, r.FileName);
            const auto [startDay, startTime] = DayAndTime(r.Started);
            const auto put = [&rows](qint64 value) {
                char number[24] = {','};
                rows.append(number,
                            std::to_chars(number + 1, std::end(number), value).ptr - number);
            };
            put(*h);
            put(day(startDay));
            rows += ',';
            HtmlText::AppendJsonString(rows, startTime);
            if (r.Done()) {
                const auto [endDay, endTime] = DayAndTime(r.Finished);
                put(day(endDay));
                rows += ',';
                HtmlText::AppendJsonString(rows, endTime);
            } else {
                rows.append(",-1,\"\"");
            }
            for (const qint32 count : {r.Restarts, r.Resumes, r.MirrorSwaps, r.KbResumed})
                put(count);
            rows += ']';
        }
        m_Out += "<script type=\"application/json\" id=\"quillan-rows\">{\"lang\":";
        HtmlText::AppendJsonString(m_Out, m_Formats.Locale().bcp47Name());
        m_Out += ",\"group\":";
        HtmlText::AppendJsonString(m_Out, m_Formats.GroupSeparator());
        m_Out += ",\"pm\":";
        HtmlText::AppendJsonString(m_Out, m_Formats.PmText());
        m_Out += ",\"words\":{\"done\":\"Completed\",\"open\":\"Unfinished\","
                 "\"none\":\"No download matches the filter.\","
                 "\"showing\":\"Downloads %1 to %2 of %3.\","
                 "\"filtered\":\"(%1 in all.)\"},\n\"hosts\":[" +
                 hosts + "],\n\"days\":[" + days + "],\n\"rows\":[\n" + rows + "]}</script>\n";
    }

    const DownloadSummary& m_Summary;
    const ReportHeading& m_Heading;
    const LocaleFormats& m_Formats;
    QByteArray m_Out;
};

} // namespace

QByteArray HtmlReport(const DownloadSummary& summary, const ReportHeading& heading,
                      const LocaleFormats& formats) {
    return Page(summary, heading, formats).Write();
}
