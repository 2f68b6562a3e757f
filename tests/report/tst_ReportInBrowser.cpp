#include "TestSupport.h"
#include "report/DownloadSummary.h"
#include "report/HtmlReport.h"
#include "report/StatisticsPanel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// Runs in the page after its own scripts, as a user would: reads the table, clicks the
// headers, types into the filter, turns the page, and leaves what it saw in the DOM.
const char* const Driver = R"(<script>
window.addEventListener('load', function () { setTimeout(function () {
  function rows() {
    return Array.prototype.map.call(document.querySelectorAll('#downloads tbody tr'),
      function (tr) { return Array.prototype.map.call(tr.cells, function (td) { return td.textContent; }); });
  }
  function column(i) { return rows().map(function (r) { return r[i]; }); }
  var out = {}, buttons = document.querySelectorAll('#downloads thead th button');
  var note = document.getElementById('table-note');
  out.initial = rows();
  out.note = note.textContent;
  out.headerButtons = buttons.length;
  buttons[7].click(); out.kbAscending = column(7);
  buttons[7].click(); out.kbDescending = column(7);
  out.kbSort = buttons[7].parentNode.getAttribute('aria-sort');
  buttons[2].click(); out.startedAscending = column(2);
  buttons[0].click(); out.nameAscending = column(0);
  var filter = document.getElementById('table-filter');
  filter.value = 'MIRROR'; filter.dispatchEvent(new Event('input'));
  out.filtered = column(1); out.filteredNote = note.textContent;
  filter.value = ''; filter.dispatchEvent(new Event('input'));
  document.getElementById('table-next').click();
  out.secondPage = column(0); out.secondNote = note.textContent;
  out.markup = document.querySelectorAll('#downloads tbody *:not(tr):not(td)').length;
  out.alerted = window.quillanAlerted;
  var pre = document.createElement('pre');
  pre.id = 'driver-result';
  pre.textContent = JSON.stringify(out);
  document.body.appendChild(pre);
}, 0); });
</script>)";

// Catches any script that a name in the log might smuggle in.
const char* const AlertTrap = "<script>window.quillanAlerted = false; window.alert = function () { "
                              "window.quillanAlerted = true; };</script>";

QString Browser() {
    for (const QString& name : {u"chromium"_s, u"chromium-browser"_s, u"google-chrome"_s})
        if (const QString path = QStandardPaths::findExecutable(name); !path.isEmpty()) return path;
    return {};
}

QStringList HeadlessArguments(const QString& profile) {
    return {u"--headless"_s,
            u"--no-sandbox"_s,
            u"--disable-gpu"_s,
            u"--disable-quic"_s,
            u"--no-first-run"_s,
            u"--disable-background-networking"_s,
            u"--disable-component-update"_s,
            u"--disable-sync"_s,
            u"--hide-scrollbars"_s,
            u"--user-data-dir="_s + profile};
}

} // namespace

class tst_ReportInBrowser : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString browser;

    QByteArray Page(const QByteArray& log) {
        LogAnalysis analysis(LocaleFormats::Named(u"en_US"_s));
        analysis.LoadLogFile(WriteFile(dir, u"browser.log"_s, log));
        const bool completed = analysis.RunPass().Completed;
        ReportHeading heading;
        heading.LogName = u"getright.log"_s;
        heading.StatCaptions = StatCaptionTexts();
        heading.StatValues = StatLabelTexts(analysis, completed);
        heading.FirstDay = heading.StatValues[5];
        heading.LastDay = heading.StatValues[6];
        return HtmlReport(SummariseDownloads(analysis), heading, analysis.Formats());
    }

    // The page as the browser left it after its scripts and the driver ran.
    QJsonObject Drive(const QByteArray& page) {
        QByteArray driven = page;
        driven.replace("<head>\n", QByteArray(QByteArray("<head>\n") + AlertTrap + '\n'));
        driven.replace("</body>", QByteArray(QByteArray(Driver) + "\n</body>"));
        const QString path = WriteFile(dir, u"driven.html"_s, driven);
        QProcess chromium;
        chromium.start(browser, HeadlessArguments(dir.filePath(u"profile"_s)) +
                                    QStringList{u"--virtual-time-budget=10000"_s, u"--dump-dom"_s,
                                                QUrl::fromLocalFile(path).toString()});
        if (!chromium.waitForFinished(120000)) {
            chromium.kill();
            qWarning("the browser did not finish");
            return {};
        }
        const QString dom = QString::fromUtf8(chromium.readAllStandardOutput());
        static const QRegularExpression result(u"<pre id=\"driver-result\">(.*?)</pre>"_s,
                                               QRegularExpression::DotMatchesEverythingOption);
        const auto match = result.match(dom);
        if (!match.hasMatch()) {
            qWarning("no driver result in the DOM: %s",
                     qPrintable(QString::fromUtf8(chromium.readAllStandardError()).right(2000)));
            return {};
        }
        QString json = match.captured(1);
        json.replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s).replace(u"&amp;"_s, u"&"_s);
        return QJsonDocument::fromJson(json.toUtf8()).object();
    }

    // The DOM of the page opened with script turned off: its own policy forbids it here.
    QString WithoutScript(QByteArray page) {
        const qsizetype before = page.size();
        page.replace("script-src 'unsafe-inline'", "script-src 'none'");
        if (page.size() == before) return {};
        QProcess chromium;
        chromium.start(
            browser,
            HeadlessArguments(dir.filePath(u"profile-noscript"_s)) +
                QStringList{u"--dump-dom"_s,
                            QUrl::fromLocalFile(WriteFile(dir, u"plain.html"_s, page)).toString()});
        if (!chromium.waitForFinished(120000)) chromium.kill();
        return QString::fromUtf8(chromium.readAllStandardOutput());
    }

    static QStringList Strings(const QJsonValue& value) {
        QStringList out;
        for (const QJsonValue& v : value.toArray())
            out << v.toString();
        return out;
    }

private slots:
    void initTestCase() {
        browser = Browser();
        if (browser.isEmpty()) {
            if (qEnvironmentVariableIsSet("QUILLAN_BROWSER_REQUIRED"))
                QFAIL("no Chromium to open the page in (Debian: chromium)");
            QSKIP("no Chromium to open the page in (Debian: chromium)");
        }
    }

    // The sample log's page, worked as a user would: every row there, sorting and
    // filtering answer, and a picture of it for the documents.
    void samplePageWorks() {
        const QByteArray page = Page(SampleBytes());
        const QJsonObject out = Drive(page);
        QVERIFY(!out.isEmpty());
        QCOMPARE(out[u"headerButtons"_s].toInt(), 9);
        const QJsonArray initial = out[u"initial"_s].toArray();
        QCOMPARE(initial.size(), 30);
        QCOMPARE(Strings(initial[0]),
                 QStringList({u"kernel-2.4.17.tar.gz"_s, u"ftp.example.net"_s,
                              u"12/31/01 - 11:24:58 AM"_s, u"12/31/01 - 12:16:51 PM"_s, u"1"_s,
                              u"1"_s, u"0"_s, u"3,584"_s, u"Completed"_s}));
        QCOMPARE(out[u"note"_s].toString(), u"Downloads 1 to 30 of 30."_s);

        const auto numbers = [](const QStringList& texts) {
            QList<qint64> values;
            for (QString t : texts)
                values << t.remove(u',').toLongLong();
            return values;
        };
        QList<qint64> ascending = numbers(Strings(out[u"kbAscending"_s]));
        QList<qint64> sorted = ascending;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(ascending, sorted);
        QList<qint64> descending = numbers(Strings(out[u"kbDescending"_s]));
        std::sort(sorted.begin(), sorted.end(), std::greater<>());
        QCOMPARE(descending, sorted);
        QCOMPARE(out[u"kbSort"_s].toString(), u"descending"_s);
        // Started sorts by time across the two days, PM after AM.
        const QStringList started = Strings(out[u"startedAscending"_s]);
        QCOMPARE(started.first(), u"12/31/01 - 09:35:14 AM"_s);
        QCOMPARE(started.last(), u"01/01/02 - 04:28:30 PM"_s);
        QVERIFY(started.indexOf(u"12/31/01 - 11:59:00 PM"_s) < 0);
        QCOMPARE(started[started.indexOf(u"12/31/01 - 12:55:18 PM"_s) - 1],
                 u"12/31/01 - 11:24:58 AM"_s);
        const QStringList names = Strings(out[u"nameAscending"_s]);
        // The folder URL's download has no file name and sorts first.
        QCOMPARE(names.first(), QString());
        QCOMPARE(names[1], u"alice.txt"_s);
        QCOMPARE(names.last(), u"winzip81.exe"_s);

        // "MIRROR" matches three hosts without regard to case.
        QCOMPARE(Strings(out[u"filtered"_s]),
                 QStringList({u"mirror1.example.org"_s, u"mirror2.example.org"_s,
                              u"mirror.example.edu"_s, u"mirror1.example.org"_s}));
        QCOMPARE(out[u"filteredNote"_s].toString(), u"Downloads 1 to 4 of 4. (30 in all.)"_s);

        // A picture for the documents, from the page as it is.
        const QString shot = QDir(QCoreApplication::applicationDirPath()).filePath(u"report.png"_s);
        QFile::remove(shot);
        QProcess chromium;
        chromium.start(
            browser,
            HeadlessArguments(dir.filePath(u"profile-shot"_s)) +
                QStringList{
                    u"--window-size=1100,1900"_s, u"--screenshot="_s + shot,
                    QUrl::fromLocalFile(WriteFile(dir, u"sample.html"_s, page)).toString()});
        QVERIFY(chromium.waitForFinished(120000));
        QVERIFY(QFileInfo(shot).size() > 10000);
    }

    // An HTML parser in its strict mode finds nothing to warn of, on the sample or on a log
    // that tries to break the page.
    void pageParsesStrictly() {
        const QString tidy = QStandardPaths::findExecutable(u"tidy"_s);
        if (tidy.isEmpty()) {
            if (qEnvironmentVariableIsSet("QUILLAN_BROWSER_REQUIRED"))
                QFAIL("no tidy to check the page with (Debian: tidy)");
            QSKIP("no tidy to check the page with (Debian: tidy)");
        }
        const QByteArray hostile =
            "01/01/02 10:00:00 - File: C:\\<b>\"q\" & \x01\x81.zip=http://h.example/<b>\"q\" & "
            "\x01\x81.zip\r\n";
        for (const QByteArray& log : {SampleBytes(), hostile}) {
            QProcess check;
            check.start(tidy, {u"-errors"_s, u"-quiet"_s, u"-utf8"_s,
                               WriteFile(dir, u"strict.html"_s, Page(log))});
            QVERIFY(check.waitForFinished(60000));
            QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());
        }
    }

    // Names that would be markup show as text; nothing they hold runs.
    void hostileNamesNeverRun() {
        QByteArray log;
        const QList<QByteArray> names = {"<img src onerror alert(1)>.exe",
                                         "\"><svg onload alert(2)>.zip",
                                         "<!--<script>alert(3)<!--.txt", "&lt;b&gt;.html"};
        for (const QByteArray& name : names)
            log +=
                "01/01/02 10:00:00 - File: C:\\" + name + "=http://evil.example/" + name + "\r\n";
        // Many rows, so that paging shows.
        for (int i = 0; i < 140; ++i)
            log += "01/01/02 11:00:00 - File: C:\\f" + QByteArray::number(1000 + i) +
                   ".bin=http://plain.example/f" + QByteArray::number(1000 + i) + ".bin\r\n";
        const QByteArray page = Page(log);
        const QJsonObject out = Drive(page);
        QVERIFY(!out.isEmpty());
        QVERIFY(!out[u"alerted"_s].toBool());
        QCOMPARE(out[u"markup"_s].toInt(), 0);
        const QJsonArray initial = out[u"initial"_s].toArray();
        QCOMPARE(initial.size(), 100);
        for (qsizetype i = 0; i < names.size(); ++i)
            QCOMPARE(initial[i].toArray()[0].toString(), QString::fromUtf8(names[i]).toLower());
        QCOMPARE(out[u"note"_s].toString(), u"Downloads 1 to 100 of 144."_s);
        QCOMPARE(Strings(out[u"secondPage"_s]).size(), 44);
        QCOMPARE(out[u"secondNote"_s].toString(), u"Downloads 101 to 144 of 144."_s);

        // Without script the rows are there as the page was written, still as text.
        const QString dom = WithoutScript(page);
        QVERIFY(dom.contains(u"All 144 downloads of the log."_s));
        QCOMPARE(dom.count(u"<tr><td class=\"name\">"_s), 144);
        QVERIFY(dom.contains(u"&lt;img src onerror alert(1)&gt;.exe"_s));
        QVERIFY(!dom.contains(u"<img"_s));
        QVERIFY(!dom.contains(u"<svg onload"_s));
        QVERIFY(dom.contains(u"id=\"table-controls\" hidden"_s));
    }
};

QTEST_GUILESS_MAIN(tst_ReportInBrowser)
#include "tst_ReportInBrowser.moc"
