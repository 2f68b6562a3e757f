#pragma once

#include "analysis/LogAnalysis.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdio>

struct ReportOptions {
    bool Stats = false;
    bool Records = false;
    bool Json = false;
    QString Locale;
    QString LogFile;
};

// Parses the command line; on a usage error returns false with the problem in `error`.
bool ParseReportOptions(const QStringList& arguments, ReportOptions& options, QString& error);
QString ReportUsage();

// Messages a window would show in a box go to standard error, with the same text.
class ReportHost : public AnalysisHost {
public:
    explicit ReportHost(std::FILE* errors) : m_Errors(errors) {}
    void ShowMessage(MessageIcon icon, const QString& title, const QString& text) override;

private:
    std::FILE* m_Errors;
};

// Captions of the statistics panel, in panel order, paired with their value labels.
inline constexpr const char16_t* StatCaptions[7] = {
    u"Total Files",     u"Total Resumes", u"Total Restarts", u"Total Completed",
    u"Bytes Recovered", u"Log Started",   u"Log Finished"};

// The seven label texts as the window would show them ("0" for a label left untouched).
QStringList StatLabelTexts(const LogAnalysis& analysis, bool passCompleted);

QString StatsText(const QStringList& labels);
QString RecordsText(const LogAnalysis& analysis);
QJsonObject StatsJson(const QStringList& labels);
QJsonArray RecordsJson(const LogAnalysis& analysis);

void WriteUtf8(std::FILE* out, const QString& text);

// Runs the whole report; returns the exit status.
int RunReport(const QStringList& arguments, std::FILE* out, std::FILE* errors);
