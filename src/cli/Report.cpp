#include "cli/Report.h"

#include "analysis/LocaleFormats.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

QString ReportUsage() {
    return u"Usage: quillan-report [--stats] [--records] [--json] [--locale NAME] LOGFILE\n"
           "\n"
           "Reads a GetRight log and prints what Quillan shows for it.\n"
           "  --stats        the statistics panel, one Caption<TAB>Value row each (default)\n"
           "  --records      one line per download record, in collection order\n"
           "  --json         the same content as one JSON document\n"
           "  --locale NAME  date, time and number conventions (default: the system's)\n"
           "\n"
           "Exit status: 0 when the log was read, 1 when it could not be, 2 for bad usage.\n"_s;
}

bool ParseReportOptions(const QStringList& arguments, ReportOptions& options, QString& error) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == u"--stats"_s) {
            options.Stats = true;
        } else if (arg == u"--records"_s) {
            options.Records = true;
        } else if (arg == u"--json"_s) {
            options.Json = true;
        } else if (arg == u"--locale"_s || arg.startsWith(u"--locale="_s)) {
            if (arg.contains(u'=')) {
                options.Locale = arg.section(u'=', 1);
            } else if (++i < arguments.size()) {
                options.Locale = arguments[i];
            } else {
                error = u"--locale needs a locale name, for example en_US"_s;
                return false;
            }
        } else if (arg == u"--"_s) {
            if (++i < arguments.size() && options.LogFile.isEmpty() && i + 1 == arguments.size()) {
                options.LogFile = arguments[i];
                break;
            }
            error = u"exactly one log file is expected"_s;
            return false;
        } else if (arg.startsWith(u"--"_s) || (arg.startsWith(u'-') && arg.size() > 1)) {
            error = u"unknown option "_s + arg;
            return false;
        } else if (options.LogFile.isEmpty()) {
            options.LogFile = arg;
        } else {
            error = u"exactly one log file is expected"_s;
            return false;
        }
    }
    if (options.LogFile.isEmpty()) {
        error = u"no log file given"_s;
        return false;
    }
    if (!options.Stats && !options.Records)
        options.Stats = true;
    return true;
}

void WriteUtf8(std::FILE* out, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
}

void ReportHost::ShowMessage(MessageIcon, const QString&, const QString& text) {
    WriteUtf8(m_Errors, text + u'\n');
}

QStringList StatLabelTexts(const LogAnalysis& analysis, bool passCompleted) {
    QStringList labels(7, u"0"_s);
    if (!passCompleted)
        return labels;
    const auto texts = analysis.StatTexts();
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i])
            labels[qsizetype(i)] = *texts[i];
    return labels;
}

QString StatsText(const QStringList& labels) {
    QString out;
    for (qsizetype i = 0; i < labels.size(); ++i)
        out += QString::fromUtf16(StatCaptions[i]) + u'\t' + labels[i] + u'\n';
    return out;
}

QString RecordsText(const LogAnalysis& analysis) {
    QString out = u"Key\tLocalName\tURL\tResumes\tRestarts\tDateStarted\tDateFinished\tFName\tNum\tMirrors\n"_s;
    analysis.Entries.NewEnum([&](const LogEntry& e) {
        out += e.Key() + u'\t' + e.LocalName() + u'\t' + e.URL() + u'\t' +
               QString::number(e.Resumes()) + u'\t' + QString::number(e.Restarts()) + u'\t' +
               e.DateStarted() + u'\t' + e.DateFinished() + u'\t' + e.FName() + u'\t' +
               QString::number(e.Num()) + u'\t' + QString::number(e.Mirrors()) + u'\n';
    });
    return out;
}

QJsonObject StatsJson(const QStringList& labels) {
    QJsonObject stats;
    for (qsizetype i = 0; i < labels.size(); ++i)
        stats.insert(QString::fromUtf16(StatCaptions[i]), labels[i]);
    return stats;
}

QJsonArray RecordsJson(const LogAnalysis& analysis) {
    QJsonArray records;
    analysis.Entries.NewEnum([&](const LogEntry& e) {
        records.append(QJsonObject{
            {u"Key"_s, e.Key()},
            {u"LocalName"_s, e.LocalName()},
            {u"URL"_s, e.URL()},
            {u"Resumes"_s, e.Resumes()},
            {u"Restarts"_s, e.Restarts()},
            {u"DateStarted"_s, e.DateStarted()},
            {u"DateFinished"_s, e.DateFinished()},
            {u"FName"_s, e.FName()},
            {u"Num"_s, e.Num()},
            {u"Mirrors"_s, e.Mirrors()},
        });
    });
    return records;
}

int RunReport(const QStringList& arguments, std::FILE* out, std::FILE* errors) {
    ReportOptions options;
    QString error;
    if (!ParseReportOptions(arguments, options, error)) {
        WriteUtf8(errors, u"quillan-report: "_s + error + u"\n\n"_s + ReportUsage());
        return 2;
    }

    LogAnalysis analysis(options.Locale.isEmpty() ? LocaleFormats::System()
                                                  : LocaleFormats::Named(options.Locale));
    ReportHost host(errors);
    analysis.SetHost(&host);
    const QString& path = options.LogFile;

    const LoadOutcome load = analysis.LoadLogFile(path);
    if (load.Result == LoadOutcome::Kind::Missing || load.Result == LoadOutcome::Kind::Failed) {
        WriteUtf8(errors, u"quillan-report: "_s + path + u": "_s + load.Problem + u'\n');
        return 1;
    }
    if (load.Result == LoadOutcome::Kind::NoLines)
        WriteUtf8(errors, u"quillan-report: "_s + path + u": no line begins with a date; nothing to analyse\n"_s);

    const PassOutcome pass = analysis.RunPass();
    if (!pass.NothingLoaded && !pass.Completed)
        WriteUtf8(errors, u"quillan-report: "_s + path + u':' + QString::number(pass.FailedFileLine) +
                              u": the analysis ended early at this line: "_s + pass.Reason +
                              u"\n"_s);

    const QStringList labels = StatLabelTexts(analysis, pass.Completed);
    if (options.Json) {
        QJsonObject document;
        if (options.Stats)
            document.insert(u"stats"_s, StatsJson(labels));
        if (options.Records)
            document.insert(u"records"_s, RecordsJson(analysis));
        WriteUtf8(out, QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
        return 0;
    }
    if (options.Stats)
        WriteUtf8(out, StatsText(labels));
    if (options.Records)
        WriteUtf8(out, RecordsText(analysis));
    return 0;
}
