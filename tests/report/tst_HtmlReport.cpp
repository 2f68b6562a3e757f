#include "TestSupport.h"
#include "report/CsvReport.h"
#include "report/HtmlReport.h"
#include "report/HtmlText.h"
#include "report/StatisticsPanel.h"
#include "report/SvgCharts.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// A log written to break a page: markup, quotes, ampersands, controls and bytes that are not
// UTF-8 (so the log reads as Windows-1252) in names and URLs.
QByteArray HostileLog() {
    return CrLf({"01/01/02 10:00:00 - File: C:\\<img src onerror alert(1)>.exe=http://evil.example/"
                 "<img src onerror alert(1)>.exe",
                 "01/01/02 10:00:01 - File: C:\\say \"hi\" & 'bye'.zip=http://q.example/say \"hi\" "
                 "& 'bye'.zip",
                 "01/01/02 10:00:02 - File: C:\\bell\x07\x81.txt=http://c.example/bell\x07\x81.txt",
                 "01/01/02 10:00:03 - File: C:\\x.txt=http://x.example/dir/x.txt",
                 "01/01/02 10:00:04 - Finished downloading: C:\\x.txt",
                 "01/01/02 10:00:05 - File: C:\\a.zip=http://x.example/<!--<script><b>a.zip"});
}

} // namespace

class tst_HtmlReport : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QByteArray Page(const QByteArray& log, DownloadSummary* summaryOut = nullptr) {
        LogAnalysis analysis(LocaleFormats::Named(u"en_US"_s));
        analysis.LoadLogFile(WriteFile(dir, u"page.log"_s, log));
        const bool completed = analysis.RunPass().Completed;
        const DownloadSummary summary = SummariseDownloads(analysis);
        if (summaryOut) *summaryOut = summary;
        ReportHeading heading;
        heading.LogName = u"page <b>.log"_s;
        heading.StatCaptions = StatCaptionTexts();
        heading.StatValues = StatLabelTexts(analysis, completed);
        return HtmlReport(summary, heading, analysis.Formats());
    }

private slots:
    void textStaysText() {
        using namespace HtmlText;
        QCOMPARE(Escaped(u"<a href=\"x\">&'"),
                 QByteArray("&lt;a href=&quot;x&quot;&gt;&amp;&#39;"));
        // Controls show as control pictures, C1 controls, lone surrogates and noncharacters
        // as the replacement character; tab, line ends and real pairs stay.
        QCOMPARE(Visible(u"a\x01\x1f\x7f\tb\r\n"), u"a\u2401\u241f\u2421\tb\r\n"_s);
        QCOMPARE(Visible(u"\u0081\u009f\uFFFE\uFDD0"), u"\uFFFD\uFFFD\uFFFD\uFFFD"_s);
        const QString pair = QString::fromUcs4(U"\U0001F600");
        QCOMPARE(Visible(pair), pair);
        QCOMPARE(Visible(QString(QString(QChar(0xD800)) + u'x')), u"\uFFFDx"_s);
        QCOMPARE(Visible(QString(QChar(0xDC00))), u"\uFFFD"_s);
        QCOMPARE(Visible(QString::fromUcs4(U"\U0001FFFF")), u"\uFFFD"_s);

        QByteArray json;
        AppendJsonString(json, u"</script><!-- \"\\ & \u2028\u2029 \x01 é"_s);
        QCOMPARE(json, QByteArray("\"\\u003c/script\\u003e\\u003c!-- \\\"\\\\ \\u0026 "
                                  "\\u2028\\u2029 \xE2\x90\x81 \xC3\xA9\""));
    }

    void axisScales() {
        using SvgCharts::NiceScale;
        QCOMPARE(NiceScale(0), std::make_pair(qint64(4), qint64(1)));
        QCOMPARE(NiceScale(1), std::make_pair(qint64(4), qint64(1)));
        QCOMPARE(NiceScale(7), std::make_pair(qint64(8), qint64(2)));
        QCOMPARE(NiceScale(100), std::make_pair(qint64(100), qint64(25)));
        QCOMPARE(NiceScale(1234567), std::make_pair(qint64(2000000), qint64(500000)));
        for (qint64 v = 1; v < 100000; v = v * 3 + 1) {
            const auto [top, step] = NiceScale(v);
            QVERIFY2(top >= v && top == 4 * step && (v < 4 || top <= 2.5 * double(v)),
                     qPrintable(QString::number(v)));
        }
    }

    void csvFollowsRfc4180() {
        DownloadSummary summary;
        Page(HostileLog(), &summary);
        const QByteArray csv = CsvReport(summary);
        const QList<QByteArray> lines = csv.split('\n');
        QVERIFY(csv.endsWith("\r\n"));
        QVERIFY(lines.first().startsWith("File name,Host,URL,Local path,Started,Finished,"));
        // Quotes doubled inside a quoted field; commas alone need no quotes here.
        QVERIFY(csv.contains("\"say \"\"hi\"\" & 'bye'.zip\""));
        QVERIFY(csv.contains(",evil.example,http://evil.example/<img src onerror alert(1)>.exe,"));
        QVERIFY(csv.contains("\xC2\x81")); // U+0081 as UTF-8, as read
        QCOMPARE(csv.count("\r\n"), 6);    // header and five downloads
        QVERIFY(csv.contains(",01/01/02 - 10:00:03 AM,01/01/02 - 10:00:04 AM,0,0,0,0,yes\r\n"));

        DownloadRow row;
        row.FileName = u"a,b\r\nc"_s;
        summary.Rows = {row};
        QVERIFY(CsvReport(summary).endsWith("\"a,b\r\nc\",,,,,,0,0,0,0,no\r\n"));
    }

    // Whatever the log holds shows as text and never becomes markup or script.
    void hostileNamesStayText() {
        const QByteArray page = Page(HostileLog());
        QVERIFY(page.startsWith("<!DOCTYPE html>"));
        QVERIFY(!page.contains("<img"));
        QVERIFY(!page.contains("<b>"));
        QVERIFY(!page.contains("<!--"));
        QVERIFY(page.contains("&lt;img src onerror alert(1)&gt;.exe"));
        QVERIFY(page.contains("&lt;!--&lt;script&gt;&lt;b&gt;a.zip"));
        QVERIFY(page.contains("say &quot;hi&quot; &amp; &#39;bye&#39;.zip"));
        QVERIFY(page.contains("page &lt;b&gt;.log"));
        // The bell shows as its control picture, the byte 0x81 as the replacement character.
        QVERIFY(page.contains("bell\xE2\x90\x87\xEF\xBF\xBD.txt"));
        // Exactly the page's own two scripts: the data and the table's code.
        QCOMPARE(page.count("<script"), 2);
        QCOMPARE(page.count("</script>"), 2);
        QVERIFY(page.contains("\\u003c!--\\u003cscript\\u003e\\u003cb\\u003ea.zip"));
        // Nothing is fetched from anywhere.
        QVERIFY(!page.contains(" src=\""));
        QVERIFY(!page.contains("href="));
        QVERIFY(!page.contains("@import"));
        QVERIFY(page.contains("default-src 'none'"));
    }

    // The sample: charts for two days, seven hosts, every download in the table.
    void samplePage() {
        const QByteArray page = Page(SampleBytes());
        QCOMPARE(page.count("<svg role=\"img\""), 4);
        QCOMPARE(page.count("<figure>"), 4);
        QVERIFY(page.contains("Downloads started per day"));
        QVERIFY(page.contains("The 7 hosts with the most downloads"));
        QVERIFY(page.contains("www.example.org: 11 downloads, 82% finished"));
        QVERIFY(page.contains("12/31/01: 9 completed, 4 unfinished"));
        QCOMPARE(page.count("<tr><td class=\"name\">"), 30);
        QVERIFY(page.contains("All 30 downloads of the log."));
        QVERIFY(page.contains(
            "<span class=\"caption\">Total Files</span> <span class=\"value\">30</span>"));
        static const QRegularExpression rows(u"\"rows\":\\[\\n(.*)\\]\\}</script>"_s,
                                             QRegularExpression::DotMatchesEverythingOption);
        const auto match = rows.match(QString::fromUtf8(page));
        QVERIFY(match.hasMatch());
        QCOMPARE(match.captured(1).count(u'\n') + 1, 30);
    }

    // A big log lists its first thousand downloads without script and says how many there are.
    void largeLogListsTheFirstThousand() {
        QByteArray log;
        for (int i = 0; i < 1205; ++i)
            log += "01/01/02 10:00:00 - File: C:\\f" + QByteArray::number(i) + "=http://h/f" +
                   QByteArray::number(i) + "\r\n";
        const QByteArray page = Page(log);
        QCOMPARE(page.count("<tr><td class=\"name\">"), StaticRows);
        QVERIFY(page.contains("The first 1,000 of 1,205 downloads"));
    }

    void emptyLog() {
        const QByteArray page = Page(CrLf({"01/01/02 10:00:00 - Connecting"}));
        QVERIFY(page.contains("No download in this log has a start date to chart."));
        QVERIFY(page.contains("The log holds no downloads."));
        QCOMPARE(page.count("<svg"), 0);
    }
};

QTEST_APPLESS_MAIN(tst_HtmlReport)
#include "tst_HtmlReport.moc"
