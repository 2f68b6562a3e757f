#pragma once

#include "analysis/LogAnalysis.h"
#include "report/StatisticsPanel.h"
#include "view/ExecuteTarget.h"
#include "view/TreeBuilds.h"
#include "view/TreeModel.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

enum class SearchStep { Top, Next, Prev };

struct ReportOptions {
    bool Stats = false;
    bool Records = false;
    bool Tree = false;
    bool Nodes = false;
    bool Json = false;
    // Sort button clicks after the analysis, in order; the tree starts in NoSort.
    QList<SortOrder> Sorts;
    std::optional<QString> Search;
    QList<SearchStep> SearchSteps;
    bool MatchCase = false;
    std::optional<QString> ExecuteKey;
    // The web page and the CSV, each to a file or "-" for standard output.
    std::optional<QString> HtmlFile;
    std::optional<QString> CsvFile;
    QString Locale;
    QString LogFile;
};

enum class ParseResult { Run, Help, Version, Error };

// Parses the command line; on a usage error the problem is in `error`.
ParseResult ParseReportOptions(const QStringList& arguments, ReportOptions& options,
                               QString& error);
QString ReportUsage();

// Messages a window would show in a box go to standard error, with the same text.
class ReportHost : public AnalysisHost {
public:
    explicit ReportHost(std::FILE* errors) : m_Errors(errors) {}
    void ShowMessage(MessageIcon icon, const QString& title, const QString& text) override;

private:
    std::FILE* m_Errors;
};

QString StatsText(const QStringList& labels);
QString RecordsText(const LogAnalysis& analysis);
QJsonObject StatsJson(const QStringList& labels);
QJsonArray RecordsJson(const LogAnalysis& analysis);

void WriteUtf8(std::FILE* out, const QString& text);

// The tree in display order, two spaces a level, every node whether expanded or not.
void WriteTreeText(std::FILE* out, const TreeModel& tree);
// The node list in insertion order: index, key, image and text, tab-separated.
void WriteNodesText(std::FILE* out, const TreeModel& tree);
// "index<TAB>key<TAB>text" of the selected node, or "no selection".
QString SelectionLine(const TreeModel& tree);
QString ExecuteText(const ExecuteAction& action);

QJsonArray TreeJson(const TreeModel& tree);
QJsonArray NodesJson(const TreeModel& tree);
QJsonValue SelectionJson(const TreeModel& tree);
QJsonValue ExecuteJson(const ExecuteAction& action);

enum class Teardown {
    Full,        // free everything before returning (tests, sanitizer builds)
    LeaveToExit, // the caller ends the process at once; the system takes the memory back
};

// Runs the whole report; returns the exit status.
int RunReport(const QStringList& arguments, std::FILE* out, std::FILE* errors,
              Teardown teardown = Teardown::Full);
