#include "cli/Report.h"

#include "analysis/LocaleFormats.h"
#include "platform/Files.h"
#include "report/CsvReport.h"
#include "report/HtmlReport.h"
#include "startup/CommandLine.h"
#include "view/TreeSearch.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScopeGuard>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The options, each with its help line; the parser keeps the order for --help.
struct ReportParser {
    QCommandLineParser Parser;
    // Declared here rather than by addHelpOption, which adds "-?" on Windows only: the
    // help must read the same everywhere.
    QCommandLineOption Help{{u"h"_s, u"help"_s}, u"Displays help on commandline options."_s};
    QCommandLineOption Version = Parser.addVersionOption();
    QCommandLineOption Stats{u"stats"_s,
                             u"The statistics panel, one Caption<TAB>Value row each."_s};
    QCommandLineOption Records{u"records"_s,
                               u"One line per download record, in collection order."_s};
    QCommandLineOption Tree{u"tree"_s, u"The results tree in display order, two spaces a level."_s};
    QCommandLineOption Nodes{u"nodes"_s, u"The tree's nodes in the order they were added: "
                                         "index<TAB>key<TAB>image<TAB>text."_s};
    QCommandLineOption Sort{
        u"sort"_s,
        u"Sort buttons clicked after the analysis, comma-separated: none, date, "
        "name, url, local (the tree starts in none)."_s,
        u"MODES"_s};
    QCommandLineOption Search{u"search"_s,
                              u"Search the tree; after each step print index<TAB>key<TAB>text of "
                              "the selected node."_s,
                              u"TEXT"_s};
    QCommandLineOption SearchSteps{
        u"search-steps"_s, u"Comma-separated top, next, prev (default: top)."_s, u"STEPS"_s};
    QCommandLineOption MatchCase{u"match-case"_s, u"Respect letter case in the search."_s};
    QCommandLineOption Execute{
        u"execute"_s, u"Select the node with that key and print what Execute runs."_s, u"KEY"_s};
    QCommandLineOption Json{u"json"_s, u"The same content as one JSON document."_s};
    QCommandLineOption Html{u"html"_s,
                            u"A web page with charts and a table of every download (- for standard "
                            "output)."_s,
                            u"FILE"_s};
    QCommandLineOption Csv{
        u"csv"_s, u"Every download as CSV for spreadsheets (- for standard output)."_s, u"FILE"_s};
    QCommandLineOption Locale{u"locale"_s,
                              u"Date, time and number conventions, for example en_GB (default: "
                              "the system's)."_s,
                              u"NAME"_s};

    ReportParser() {
        Parser.setApplicationDescription(
            u"Reads a GetRight log and prints what Quillan shows for it."_s);
        Parser.addOptions({Help, Stats, Records, Tree, Nodes, Sort, Search, SearchSteps, MatchCase,
                           Execute, Json, Html, Csv, Locale});
        Parser.addPositionalArgument(u"LOGFILE"_s, u"The GetRight log to read."_s);
    }
};

const QString UsageNotes =
    u"\nWithout --stats, --records, --tree, --nodes, --search, --execute, --html or --csv:\n"
    "--stats --tree.\n"
    "\n"
    "Exit status: 0 when the log was read, 1 when it could not be, 2 for bad usage.\n"_s;

template <class T>
bool ParseList(const QString& text, const QList<std::pair<QString, T>>& names, QList<T>& out,
               const QString& what, QString& error) {
    for (const QString& item : text.split(u',')) {
        const auto it = std::find_if(names.begin(), names.end(),
                                     [&](const auto& entry) { return entry.first == item; });
        if (it == names.end()) {
            QStringList known;
            for (const auto& entry : names)
                known << entry.first;
            error = u"unknown "_s + what + u" \""_s + item + u"\" (one of: "_s +
                    known.join(u", "_s) + u')';
            return false;
        }
        out.append(it->second);
    }
    return true;
}

const QList<std::pair<QString, SortOrder>> SortNames = {{u"none"_s, SortOrder::NoSort},
                                                        {u"date"_s, SortOrder::ByDate},
                                                        {u"name"_s, SortOrder::ByName},
                                                        {u"url"_s, SortOrder::ByURL},
                                                        {u"local"_s, SortOrder::ByLocal}};

const QList<std::pair<QString, SearchStep>> StepNames = {
    {u"top"_s, SearchStep::Top}, {u"next"_s, SearchStep::Next}, {u"prev"_s, SearchStep::Prev}};

// Qt falls back to the C locale for a name it does not know; only "C" and "POSIX" mean it.
bool KnownLocale(const QString& name) {
    if (name.compare(u"C"_s, Qt::CaseInsensitive) == 0 ||
        name.compare(u"POSIX"_s, Qt::CaseInsensitive) == 0)
        return true;
    return QLocale(name).language() != QLocale::C;
}

} // namespace

QString ReportUsage() {
    ReportParser p;
    return CommandLine::HelpText(p.Parser, u"quillan-report"_s) + UsageNotes;
}

ParseResult ParseReportOptions(const QStringList& arguments, ReportOptions& options,
                               QString& error) {
    ReportParser p;
    if (!p.Parser.parse(arguments)) {
        error = p.Parser.errorText();
        return ParseResult::Error;
    }
    if (p.Parser.isSet(p.Help)) return ParseResult::Help;
    if (p.Parser.isSet(p.Version)) return ParseResult::Version;

    options.Stats = p.Parser.isSet(p.Stats);
    options.Records = p.Parser.isSet(p.Records);
    options.Tree = p.Parser.isSet(p.Tree);
    options.Nodes = p.Parser.isSet(p.Nodes);
    options.Json = p.Parser.isSet(p.Json);
    options.MatchCase = p.Parser.isSet(p.MatchCase);
    // A value option given twice: the lists add up, the rest take the last.
    for (const QString& value : p.Parser.values(p.Sort))
        if (!ParseList(value, SortNames, options.Sorts, u"sort mode"_s, error))
            return ParseResult::Error;
    for (const QString& value : p.Parser.values(p.SearchSteps))
        if (!ParseList(value, StepNames, options.SearchSteps, u"search step"_s, error))
            return ParseResult::Error;
    const bool stepsGiven = p.Parser.isSet(p.SearchSteps);
    const auto last = [&](const QCommandLineOption& option) -> std::optional<QString> {
        if (!p.Parser.isSet(option)) return std::nullopt;
        return p.Parser.values(option).constLast();
    };
    options.Search = last(p.Search);
    options.ExecuteKey = last(p.Execute);
    options.HtmlFile = last(p.Html);
    options.CsvFile = last(p.Csv);
    options.Locale = last(p.Locale).value_or(QString());
    if (p.Parser.isSet(p.Locale) && !KnownLocale(options.Locale)) {
        error = u"unknown locale \""_s + options.Locale + u"\" (for example en_US, en_GB, de_DE)"_s;
        return ParseResult::Error;
    }

    const QStringList files = p.Parser.positionalArguments();
    if (files.isEmpty()) {
        error = u"no log file given"_s;
        return ParseResult::Error;
    }
    if (files.size() > 1) {
        error = u"exactly one log file is expected"_s;
        return ParseResult::Error;
    }
    options.LogFile = files.front();
    if (!options.Search && (stepsGiven || options.MatchCase)) {
        error = u"--search-steps and --match-case need --search"_s;
        return ParseResult::Error;
    }
    if (options.Search && options.SearchSteps.isEmpty())
        options.SearchSteps.append(SearchStep::Top);
    const bool page = options.HtmlFile || options.CsvFile;
    if (!options.Stats && !options.Records && !options.Tree && !options.Nodes && !options.Search &&
        !options.ExecuteKey && !page) {
        options.Stats = true;
        options.Tree = true;
    }
    // Standard output takes one thing at a time.
    const int toStdout = int(options.HtmlFile == u"-"_s) + int(options.CsvFile == u"-"_s) +
                         int(options.Stats || options.Records || options.Tree || options.Nodes ||
                             options.Search || options.ExecuteKey);
    if (toStdout > 1) {
        error = u"--html - and --csv - write to standard output, which can take only one of "
                "them and nothing else"_s;
        return ParseResult::Error;
    }
    for (const auto* file : {&options.HtmlFile, &options.CsvFile})
        if (*file && (*file)->isEmpty()) {
            error = u"--html and --csv need a file name, or - for standard output"_s;
            return ParseResult::Error;
        }
    return ParseResult::Run;
}

void WriteUtf8(std::FILE* out, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
}

void ReportHost::ShowMessage(MessageIcon, const QString&, const QString& text) {
    WriteUtf8(m_Errors, text + u'\n');
}

QString StatsText(const QStringList& labels) {
    QString out;
    for (qsizetype i = 0; i < labels.size(); ++i)
        out += QString::fromUtf16(StatCaptions[i]) + u'\t' + labels[i] + u'\n';
    return out;
}

QString RecordsText(const LogAnalysis& analysis) {
    QString out =
        u"Key\tLocalName\tURL\tResumes\tRestarts\tDateStarted\tDateFinished\tFName\tNum\tMirrors\n"_s;
    analysis.Entries().NewEnum([&](const LogEntry& e) {
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
    analysis.Entries().NewEnum([&](const LogEntry& e) {
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

namespace {

// Gathers output and writes it in pieces, so a tree of millions of nodes is never held
// as one string.
class ChunkedOut {
public:
    explicit ChunkedOut(std::FILE* out) : m_Out(out) {}
    ~ChunkedOut() { Flush(); }
    QString& Text() { return m_Text; }
    void LineDone() {
        m_Text += u'\n';
        if (m_Text.size() > 1 << 16) Flush();
    }

private:
    void Flush() {
        WriteUtf8(m_Out, m_Text);
        m_Text.truncate(0);
    }
    std::FILE* m_Out;
    QString m_Text;
};

QJsonObject NodeJson(const TreeModel& tree, qint32 node) {
    return QJsonObject{{u"key"_s, tree.Key(node)},
                       {u"text"_s, tree.Text(node).toString()},
                       {u"image"_s, tree.Image(node)}};
}

QJsonArray ChildrenJson(const TreeModel& tree, qint32 parent) {
    QJsonArray children;
    for (qint32 row = 0; row < tree.ChildCount(parent); ++row) {
        const qint32 node = tree.Child(parent, row);
        QJsonObject object = NodeJson(tree, node);
        object.insert(u"children"_s, ChildrenJson(tree, node));
        children.append(object);
    }
    return children;
}

} // namespace

void WriteTreeText(std::FILE* out, const TreeModel& tree) {
    ChunkedOut chunks(out);
    tree.ForEachDisplayed([&](qint32 node, qint32 depth) {
        QString& text = chunks.Text();
        AppendText(text.append(QString(2 * qsizetype(depth), u' ')), tree.Text(node));
        chunks.LineDone();
    });
}

void WriteNodesText(std::FILE* out, const TreeModel& tree) {
    ChunkedOut chunks(out);
    for (qint32 node = 1; node <= tree.Count(); ++node) {
        AppendText(chunks.Text().append(QString::number(node) + u'\t' + tree.Key(node) + u'\t' +
                                        QString::number(tree.Image(node)) + u'\t'),
                   tree.Text(node));
        chunks.LineDone();
    }
}

QString SelectionLine(const TreeModel& tree) {
    const qint32 node = tree.Selected();
    if (node == TreeModel::NoNode) return u"no selection"_s;
    return QString::number(node) + u'\t' + tree.Key(node) + u'\t' + tree.Text(node).toString();
}

QString ExecuteText(const ExecuteAction& action) {
    switch (action.What) {
    case ExecuteAction::Kind::Run:
        return action.CommandLine;
    case ExecuteAction::Kind::Message:
        return action.Message;
    case ExecuteAction::Kind::Nothing:
        break;
    }
    return QString();
}

QJsonArray TreeJson(const TreeModel& tree) { return ChildrenJson(tree, TreeModel::NoNode); }

QJsonArray NodesJson(const TreeModel& tree) {
    QJsonArray nodes;
    for (qint32 node = 1; node <= tree.Count(); ++node) {
        QJsonObject object = NodeJson(tree, node);
        object.insert(u"index"_s, node);
        nodes.append(object);
    }
    return nodes;
}

QJsonValue SelectionJson(const TreeModel& tree) {
    const qint32 node = tree.Selected();
    if (node == TreeModel::NoNode) return QJsonValue::Null;
    return QJsonObject{
        {u"index"_s, node}, {u"key"_s, tree.Key(node)}, {u"text"_s, tree.Text(node).toString()}};
}

QJsonValue ExecuteJson(const ExecuteAction& action) {
    switch (action.What) {
    case ExecuteAction::Kind::Run:
        return QJsonObject{{u"action"_s, u"run"_s},
                           {u"commandLine"_s, action.CommandLine},
                           {u"target"_s, action.Target},
                           {u"localFile"_s, action.TargetIsLocalFile}};
    case ExecuteAction::Kind::Message:
        return QJsonObject{{u"action"_s, u"message"_s}, {u"message"_s, action.Message}};
    case ExecuteAction::Kind::Nothing:
        break;
    }
    return QJsonObject{{u"action"_s, u"nothing"_s}};
}

namespace {

// Everything one report works on, from the analysed log to what the clicks it replays made.
struct ReportRun {
    explicit ReportRun(const LocaleFormats& formats) : Analysis(formats) {}
    LogAnalysis Analysis;
    TreeModel Tree;
    bool PassCompleted = false;
    QStringList StepLines;
    QJsonArray StepJson;
    std::optional<ExecuteAction> Executed;
};

// Loads and analyses the log, telling standard error what went wrong; an exit status when
// there is nothing to report.
std::optional<int> LoadAndAnalyse(ReportRun& run, const QString& path, std::FILE* errors) {
    LogAnalysis& analysis = run.Analysis;
    // Nothing here shows the steps' progress, so each line goes through the pass as it is
    // read: the lines are never kept, and what is written comes in the same order.
    const auto [load, pass] = analysis.LoadAndRunPass(path);
    if (load.Result == LoadOutcome::Kind::Missing || load.Result == LoadOutcome::Kind::Failed) {
        WriteUtf8(errors, u"quillan-report: "_s + path + u": "_s + load.Problem + u'\n');
        return 1;
    }
    if (load.Result == LoadOutcome::Kind::NoLines)
        WriteUtf8(errors, u"quillan-report: "_s + path +
                              u": no line begins with a date; nothing to analyse\n"_s);

    if (!pass.NothingLoaded && !pass.Completed)
        WriteUtf8(errors,
                  u"quillan-report: "_s + path + u':' + QString::number(pass.FailedFileLine) +
                      u": the analysis ended early at this line: "_s + pass.Reason + u"\n"_s);
    run.PassCompleted = pass.Completed;
    return std::nullopt;
}

// The window builds the tree only after a pass that ran to its end; the sort buttons,
// search and Execute then work on that tree as successive clicks would.
void ReplayClicks(ReportRun& run, const ReportOptions& options) {
    TreeModel& tree = run.Tree;
    SortOrder sortMode = SortOrder::NoSort;
    PopulateHost treeHost;
    // Building the tree costs as much as the pass itself: only when something shows it.
    const bool needTree = options.Tree || options.Nodes || options.Search || options.ExecuteKey;
    if (run.PassCompleted && needTree) {
        PopulateTree(tree, sortMode, run.Analysis, treeHost);
        for (const SortOrder button : options.Sorts)
            SortButtonClick(button, sortMode, tree, run.Analysis, treeHost);
    }

    if (options.Search) {
        QString caption = CaseIgnoredCaption.toString();
        bool matchCase = false;
        if (options.MatchCase) CaseClick(caption, matchCase);
        SearchHost searchHost;
        for (const SearchStep step : options.SearchSteps) {
            const auto walk = step == SearchStep::Top    ? SearchFromTop
                              : step == SearchStep::Next ? SearchNext
                                                         : SearchPrev;
            walk(tree, *options.Search, matchCase, run.Analysis.Formats(), run.Analysis.CurLine(),
                 searchHost);
            run.StepLines << SelectionLine(tree);
            run.StepJson.append(QJsonObject{{u"step"_s, StepNames[qsizetype(step)].first},
                                            {u"selected"_s, SelectionJson(tree)}});
        }
    }

    if (options.ExecuteKey) {
        run.Executed = ExecuteAction();
        if (const qint32 node = tree.Find(*options.ExecuteKey); node != TreeModel::NoNode) {
            tree.Select(node);
            run.Executed = DecideExecute(tree);
        }
    }
}

// Writes bytes to path, or to out for "-". A file is replaced only once it is whole.
bool WriteOutput(const QString& path, const QByteArray& bytes, std::FILE* out, std::FILE* errors) {
    if (path == u"-"_s)
        return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out) == size_t(bytes.size());
    QString problem;
    if (PlatformFiles::WriteWholeFile(path, bytes, problem)) return true;
    WriteUtf8(errors, u"quillan-report: "_s + path + u": "_s + problem + u'\n');
    return false;
}

// The web page and the CSV; false when one could not be written.
bool WritePages(const ReportRun& run, const ReportOptions& options, const QString& logPath,
                std::FILE* out, std::FILE* errors) {
    if (!options.HtmlFile && !options.CsvFile) return true;
    const DownloadSummary summary = SummariseDownloads(run.Analysis);
    bool written = true;
    if (options.HtmlFile) {
        const QStringList labels = StatLabelTexts(run.Analysis, run.PassCompleted);
        ReportHeading heading;
        heading.LogName = QFileInfo(logPath).fileName();
        heading.StatCaptions = StatCaptionTexts();
        heading.StatValues = labels;
        if (run.PassCompleted && !run.Analysis.LogStart().isEmpty()) {
            heading.FirstDay = labels[5];
            heading.LastDay = labels[6];
        }
        written = WriteOutput(*options.HtmlFile,
                              HtmlReport(summary, heading, run.Analysis.Formats()), out, errors);
    }
    if (options.CsvFile)
        written = WriteOutput(*options.CsvFile, CsvReport(summary), out, errors) && written;
    return written;
}

void PrintReport(const ReportRun& run, const ReportOptions& options, std::FILE* out) {
    const QStringList labels = StatLabelTexts(run.Analysis, run.PassCompleted);
    if (options.Json) {
        QJsonObject document;
        if (options.Stats) document.insert(u"stats"_s, StatsJson(labels));
        if (options.Records) document.insert(u"records"_s, RecordsJson(run.Analysis));
        if (options.Tree) document.insert(u"tree"_s, TreeJson(run.Tree));
        if (options.Nodes) document.insert(u"nodes"_s, NodesJson(run.Tree));
        if (options.Search) document.insert(u"search"_s, run.StepJson);
        if (run.Executed) document.insert(u"execute"_s, ExecuteJson(*run.Executed));
        WriteUtf8(out, QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
        return;
    }
    if (options.Stats) WriteUtf8(out, StatsText(labels));
    if (options.Records) WriteUtf8(out, RecordsText(run.Analysis));
    if (options.Tree) WriteTreeText(out, run.Tree);
    if (options.Nodes) WriteNodesText(out, run.Tree);
    for (const QString& line : std::as_const(run.StepLines))
        WriteUtf8(out, line + u'\n');
    if (run.Executed) {
        if (const QString text = ExecuteText(*run.Executed); !text.isEmpty())
            WriteUtf8(out, text + u'\n');
    }
}

} // namespace

int RunReport(const QStringList& arguments, std::FILE* out, std::FILE* errors, Teardown teardown) {
    ReportOptions options;
    QString error;
    switch (ParseReportOptions(arguments, options, error)) {
    case ParseResult::Run:
        break;
    case ParseResult::Help:
        WriteUtf8(out, ReportUsage());
        return 0;
    case ParseResult::Version:
        WriteUtf8(out, u"quillan-report "_s + CommandLine::Version() + u'\n');
        return 0;
    case ParseResult::Error:
        WriteUtf8(errors, u"quillan-report: "_s + error + u"\n\n"_s + ReportUsage());
        return 2;
    }

    auto run = std::make_unique<ReportRun>(
        options.Locale.isEmpty() ? LocaleFormats::System() : LocaleFormats::Named(options.Locale));
    // A process about to end need not free a million records one by one.
    const auto keep = qScopeGuard([&] {
        if (teardown == Teardown::LeaveToExit) (void)run.release();
    });
    ReportHost host(errors);
    run->Analysis.SetHost(&host);
    if (const std::optional<int> status = LoadAndAnalyse(*run, options.LogFile, errors))
        return *status;
    ReplayClicks(*run, options);
    PrintReport(*run, options, out);
    return WritePages(*run, options, options.LogFile, out, errors) ? 0 : 1;
}
