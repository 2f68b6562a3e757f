#include "Pipeline.h"

#include "analysis/LineFormat.h"
#include "analysis/LogAnalysis.h"
#include "view/ExecuteTarget.h"
#include "view/TreeBuilds.h"
#include "view/TreeSearch.h"

#include <QFile>
#include <QScopeGuard>

#include <array>
#include <functional>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace FuzzPipeline {
namespace {

const LocaleFormats& Formats(bool british) {
    // Built once: naming a locale costs more than a small input's whole run.
    static const LocaleFormats us = LocaleFormats::Named(u"en_US"_s);
    static const LocaleFormats gb = LocaleFormats::Named(u"en_GB"_s);
    return british ? gb : us;
}

// What differs between the two steps' results and those of one sweep over the same file;
// empty when nothing does.
QString SweepDifference(const LogAnalysis& a, const LoadOutcome& load, const PassOutcome& pass,
                        const QString& path) {
    LogAnalysis b(a.Formats());
    // Split on a thread of its own, however small: the two steps split where they read.
    b.SetSplitThreshold(0);
    const auto [sweepLoad, sweepPass] = b.LoadAndRunPass(path);
    if (sweepLoad.Result != load.Result || sweepLoad.BadRecords != load.BadRecords ||
        sweepLoad.Problem != load.Problem)
        return u"load"_s;
    if (sweepPass.NothingLoaded != pass.NothingLoaded || sweepPass.Completed != pass.Completed ||
        sweepPass.FailedLine != pass.FailedLine ||
        sweepPass.FailedFileLine != pass.FailedFileLine || sweepPass.Reason != pass.Reason)
        return u"pass outcome"_s;
    if (b.TotalFiles() != a.TotalFiles() || b.TotalResumes() != a.TotalResumes() ||
        b.TotalRestarts() != a.TotalRestarts() || b.TotalCompleted() != a.TotalCompleted() ||
        b.KbResumed() != a.KbResumed() || b.DateIsLong() != a.DateIsLong() ||
        b.CurLine() != a.CurLine() || b.LogStart() != a.LogStart() || b.LogEnd() != a.LogEnd())
        return u"totals or positions"_s;
    if (b.Entries().Count() != a.Entries().Count() ||
        b.CurEntries().Count() != a.CurEntries().Count())
        return u"counts of records or links"_s;
    for (qint32 i = 1; i <= a.Entries().Count(); ++i) {
        const LogEntry &x = *a.Entries().Item(i), &y = *b.Entries().Item(i);
        if (x.Key() != y.Key() || x.FName() != y.FName() || x.URL() != y.URL() ||
            x.LocalName() != y.LocalName() || x.DateStarted() != y.DateStarted() ||
            x.DateFinished() != y.DateFinished() || x.Resumes() != y.Resumes() ||
            x.Restarts() != y.Restarts() || x.Mirrors() != y.Mirrors() || x.Num() != y.Num())
            return u"record %1"_s.arg(i);
    }
    for (qint32 i = 1; i <= a.CurEntries().Count(); ++i) {
        const LogKeys &x = *a.CurEntries().Item(i), &y = *b.CurEntries().Item(i);
        if (x.Key() != y.Key() || x.FName() != y.FName() || x.LogKey() != y.LogKey())
            return u"link %1"_s.arg(i);
    }
    return {};
}

const std::array<SortOrder, 5> AllOrders = {SortOrder::NoSort, SortOrder::ByDate, SortOrder::ByName,
                                            SortOrder::ByURL, SortOrder::ByLocal};

QString OrderName(SortOrder order) {
    static const std::array<QString, 5> names = {u"none"_s, u"date"_s, u"name"_s, u"url"_s,
                                                 u"local"_s};
    return names[size_t(order)];
}

// Choices for the clicks, read backwards from the input's end: the log's last line steers
// them, and the mutator reaches it as easily as any other byte.
class Choices {
public:
    explicit Choices(QByteArrayView bytes) : m_Bytes(bytes) {}
    quint8 Next() {
        if (m_Bytes.isEmpty()) return 0;
        const qsizetype at = m_Bytes.size() - 1 - (m_Taken++ % m_Bytes.size());
        return quint8(m_Bytes[at]);
    }

private:
    QByteArrayView m_Bytes;
    qsizetype m_Taken = 0;
};

// Now and then the log changes under the loader after its first block, as a log still
// being written, or cut by another program, would.
struct ChangingFile : AnalysisHost {
    enum class Change { None, Cut, Grow };
    QString Path;
    Change What = Change::None;
    qint64 CutTo = 0;
    QByteArray Appended;
    bool Done = false;
    void ReadProgress(qint64) override {
        if (std::exchange(Done, true)) return;
        if (What == Change::Cut) {
            QFile::resize(Path, CutTo);
        } else if (What == Change::Grow) {
            QFile file(Path);
            if (file.open(QIODevice::Append)) file.write(Appended);
        }
    }
};

// The window side of a rebuild: it remembers the buttons and can click a sort button
// from inside the rebuild's message-loop pass, as an impatient user would.
struct Host : PopulateHost {
    std::array<bool, 5> Enabled{};
    std::function<void()> OnDoEvents;
    int Clearing = 0;
    int Rebuilt = 0;
    void DoEvents() override {
        if (OnDoEvents) std::exchange(OnDoEvents, nullptr)();
    }
    void TreeClearing() override { ++Clearing; }
    void TreeRebuilt() override { ++Rebuilt; }
    void SetSortButtonEnabled(SortOrder button, bool enabled) override {
        Enabled[size_t(button)] = enabled;
    }
};

// Code by code, a surrogate pair as one character, each folded on its own.
QString Folded(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const char32_t folded =
                QChar::toCaseFolded(QChar::surrogateToUcs4(c, text[++i].unicode()));
            out.append(QChar(QChar::highSurrogate(folded)))
                .append(QChar(QChar::lowSurrogate(folded)));
        } else {
            out.append(QChar(char16_t(QChar::toCaseFolded(char32_t(c)))));
        }
    }
    return out;
}

class Checker {
public:
    Checker(Summary& summary, const TreeModel& tree) : m_Summary(summary), m_Tree(tree) {}

    void Fail(const QString& when, const QString& what) {
        m_Summary.Problems << when + u": "_s + what;
    }

    // What every tree must satisfy, whatever built it and however the build ended.
    void Structure(const QString& when) {
        try {
            StructureUnguarded(when);
        } catch (const std::exception& error) {
            Fail(when, u"reading the tree raised: "_s + QString::fromLocal8Bit(error.what()));
        }
    }

private:
    void StructureUnguarded(const QString& when) {
        const qint32 count = m_Tree.Count();
        qint64 children = m_Tree.ChildCount(TreeModel::NoNode);
        CheckOrder(TreeModel::NoNode, m_Tree.RootSorted(), when);
        for (qint32 node = 1; node <= count; ++node) {
            const qint32 parent = m_Tree.Parent(node);
            // A parent exists before its children are added.
            if (parent < 0 || parent >= node)
                return Fail(when, u"node %1 has parent %2"_s.arg(node).arg(parent));
            const qint32 row = m_Tree.Row(node);
            if (row < 0 || row >= m_Tree.ChildCount(parent) || m_Tree.Child(parent, row) != node)
                return Fail(when, u"node %1 is not at its row %2"_s.arg(node).arg(row));
            const qint32 depth = parent == TreeModel::NoNode ? 0 : m_Tree.Depth(parent) + 1;
            if (m_Tree.Depth(node) != depth)
                return Fail(when, u"node %1 has depth %2"_s.arg(node).arg(m_Tree.Depth(node)));
            const QString key = m_Tree.Key(node);
            if (!key.isEmpty() && m_Tree.Find(key) != node)
                return Fail(when,
                            u"key of node %1 finds node %2"_s.arg(node).arg(m_Tree.Find(key)));
            children += m_Tree.ChildCount(node);
            if (m_Tree.Sorted(node)) CheckOrder(node, true, when);
        }
        if (children != count)
            return Fail(when, u"%1 nodes but %2 children"_s.arg(count).arg(children));
        qint32 shown = 0;
        m_Tree.ForEachDisplayed([&](qint32, qint32) { ++shown; });
        if (shown != count) Fail(when, u"%1 nodes but %2 displayed"_s.arg(count).arg(shown));
    }

    // Sorted children ascend by their case-folded text; equal texts keep their order.
    void CheckOrder(qint32 parent, bool sorted, const QString& when) {
        if (!sorted) return;
        QString previous;
        qint32 previousNode = TreeModel::NoNode;
        for (qint32 row = 0; row < m_Tree.ChildCount(parent); ++row) {
            const qint32 node = m_Tree.Child(parent, row);
            QString folded = Folded(m_Tree.Text(node).toString());
            if (previousNode != TreeModel::NoNode) {
                const int order = QStringView(previous).compare(folded);
                if (order > 0 || (order == 0 && previousNode > node))
                    return Fail(when,
                                u"children of %1 out of order at row %2"_s.arg(parent).arg(row));
            }
            previous = std::move(folded);
            previousNode = node;
        }
    }

    Summary& m_Summary;
    const TreeModel& m_Tree;
};

// Enabled state of each button (indexed by its mode) after a rebuild in sortMode.
std::array<bool, 5> SortButtonsEnabled(SortOrder sortMode) {
    std::array<bool, 5> enabled;
    enabled.fill(true);
    enabled[size_t(sortMode)] = false;
    return enabled;
}

// What a finished build must hold besides the structure: every record once as an entry,
// the buttons as the mode says, the first node selected.
void CheckBuilt(Checker& check, const TreeModel& tree, const Host& host, SortOrder mode,
                qint32 records, const QString& when) {
    qint32 entries = 0;
    for (qint32 node = 1; node <= tree.Count(); ++node)
        if (tree.Key(node).startsWith(u"Entry: ")) ++entries;
    if (entries != records)
        check.Fail(when, u"%1 entry nodes for %2 records"_s.arg(entries).arg(records));
    if ((mode == SortOrder::NoSort || mode == SortOrder::ByName) &&
        tree.ChildCount(TreeModel::NoNode) != records)
        check.Fail(
            when, u"%1 roots in a flat tree of %2 records"_s.arg(tree.ChildCount(TreeModel::NoNode))
                      .arg(records));
    if (host.Enabled != SortButtonsEnabled(mode)) check.Fail(when, u"sort buttons"_s);
    if (tree.Selected() != (tree.Count() > 0 ? 1 : TreeModel::NoNode))
        check.Fail(when, u"selected node %1"_s.arg(tree.Selected()));
    if (host.Clearing != host.Rebuilt) check.Fail(when, u"clearing and rebuilt unpaired"_s);
    if (!tree.Visible()) check.Fail(when, u"tree left hidden"_s);
}

// One rebuild as the window runs it: a failing build is swallowed, the tree stays hidden.
// Returns whether it finished.
bool Rebuild(const std::function<void()>& build, Summary& summary, const QString& when) {
    try {
        build();
        return true;
    } catch (const std::exception& error) {
        summary.BuildErrors << when + u": "_s + QString::fromLocal8Bit(error.what());
        return false;
    }
}

void Searches(TreeModel& tree, LogAnalysis& analysis, const QString& text, Summary& summary,
              Checker& check) {
    const LocaleFormats& formats = analysis.Formats();
    SearchHost host;
    QString caption = CaseIgnoredCaption.toString();
    bool matchCase = false;
    enum class Step { Top, Next, Prev, Case };
    static constexpr std::array steps = {Step::Top, Step::Next, Step::Next, Step::Prev, Step::Case,
                                         Step::Top, Step::Next, Step::Prev, Step::Prev};
    const QString when = u"search \""_s + text + u'"';
    for (const Step step : steps) {
        if (step == Step::Case) {
            CaseClick(caption, matchCase);
            continue;
        }
        const qint32 before = tree.Selected();
        const auto walk = step == Step::Top    ? SearchFromTop
                          : step == Step::Next ? SearchNext
                                               : SearchPrev;
        const SearchOutcome outcome =
            walk(tree, text, matchCase, formats, analysis.CurLine(), host);
        if (!outcome.Ran) {
            if (text != SearchPrompt && (step == Step::Top || before != TreeModel::NoNode))
                check.Fail(when, u"did not run"_s);
            continue;
        }
        if (text == SearchPrompt) check.Fail(when, u"ran on the prompt text"_s);
        if (outcome.Found == TreeModel::NoNode) {
            if (tree.Selected() != before) check.Fail(when, u"a miss moved the selection"_s);
            continue;
        }
        ++summary.SearchHits;
        const qint32 found = outcome.Found;
        if (found < 1 || found > tree.Count() || tree.Selected() != found)
            return check.Fail(when, u"found %1, selected %2"_s.arg(found).arg(tree.Selected()));
        if ((step == Step::Next && found <= before) || (step == Step::Prev && found >= before))
            check.Fail(when, u"stepped from %1 to %2"_s.arg(before).arg(found));
        // The matcher's quick ASCII path must agree with the locale's own upper-casing.
        const QString nodeText = tree.Text(found).toString();
        const bool contains = matchCase ? nodeText.contains(text)
                                        : formats.ToUpper(nodeText).contains(formats.ToUpper(text));
        if (!contains) check.Fail(when, u"matched node %1 \"%2\""_s.arg(found).arg(nodeText));
        for (qint32 up = tree.Parent(found); up != TreeModel::NoNode; up = tree.Parent(up))
            if (!tree.Expanded(up))
                check.Fail(when, u"ancestor %1 of a match is collapsed"_s.arg(up));
    }
}

void Executes(TreeModel& tree, const QString& workDir, Choices& choose, Summary& summary,
              Checker& check) {
    const auto decided = [&](const ExecuteAction& action, qint32 node) {
        if (action.What == ExecuteAction::Kind::Run) {
            ++summary.Executes;
            if (action.CommandLine.isEmpty() || !action.CommandLine.startsWith(u"start "_s))
                check.Fail(u"execute"_s,
                           u"node %1 runs \"%2\""_s.arg(node).arg(action.CommandLine));
        }
    };
    tree.Select(TreeModel::NoNode);
    if (DecideExecute(tree, [](const QString&) { return true; }).What !=
        ExecuteAction::Kind::Nothing)
        check.Fail(u"execute"_s, u"acted without a selection"_s);

    // Every node against a disk that holds some files and not others.
    const bool existsBias = choose.Next() & 1;
    const qint32 count = tree.Count();
    for (qint32 node = 1; node <= count; ++node) {
        tree.Select(node);
        decided(
            DecideExecute(
                tree, [&](const QString& path) { return ((qHash(path) & 1) != 0) == existsBias; }),
            node);
    }

    // A few against the real disk: the working folder, holding a file named as the first
    // local path's file name, so both answers come up.
    QString made;
    int real = 0;
    for (qint32 node = 1; node <= count && real < 3; ++node) {
        const QString text = tree.Text(node).toString();
        if (!text.startsWith(u"Local Path")) continue;
        const auto inWorkDir = [&](const QString& path) {
            const QString name = FileNamePart(path).toString();
            if (name.isEmpty() || name == u"."_s || name == u".."_s || name.contains(QChar(0)) ||
                name == u"input.log"_s)
                return false;
            return PlatformFiles::IsOrdinaryFile(workDir + u'/' + name);
        };
        if (made.isEmpty()) {
            const QString name = FileNamePart(text).toString();
            if (!name.isEmpty() && name != u"."_s && name != u".."_s && !name.contains(QChar(0)) &&
                name != u"input.log"_s) {
                QFile file(workDir + u'/' + name);
                if (file.open(QIODevice::WriteOnly)) made = file.fileName();
            }
        }
        tree.Select(node);
        decided(DecideExecute(tree, inWorkDir), node);
        ++real;
    }
    if (!made.isEmpty()) QFile::remove(made);
}

} // namespace

Summary Run(QByteArrayView bytes, const QString& workDir) {
    Summary summary;
    const QString path = workDir + u"/input.log"_s;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes.data(), bytes.size()) != bytes.size()) {
            summary.Problems << u"cannot write "_s + path;
            return summary;
        }
    }
    Choices choose(bytes);
    LogAnalysis analysis(Formats(choose.Next() & 1));

    ChangingFile change;
    change.Path = path;
    const quint8 changeChoice = choose.Next();
    change.What = changeChoice % 8 == 6   ? ChangingFile::Change::Cut
                  : changeChoice % 8 == 7 ? ChangingFile::Change::Grow
                                          : ChangingFile::Change::None;
    change.CutTo = bytes.size() * choose.Next() / 256;
    change.Appended = bytes.first(std::min<qsizetype>(bytes.size(), choose.Next())).toByteArray();
    analysis.SetHost(&change);
    const LoadOutcome load = analysis.LoadLogFile(path);
    analysis.SetHost(nullptr);
    summary.Loaded = load.Result == LoadOutcome::Kind::Loaded;
    if (summary.Loaded != (analysis.LogLines().UpperBound() > 0))
        summary.Problems << u"load: outcome %1 with %2 lines"_s.arg(int(load.Result))
                                .arg(analysis.LogLines().UpperBound());
    // A file cut while it was read is read again as it now is: as a fresh load reads it.
    if (change.What == ChangingFile::Change::Cut && change.Done) {
        LogAnalysis fresh(analysis.Formats());
        const LoadOutcome again = fresh.LoadLogFile(path);
        bool same = again.Result == load.Result &&
                    fresh.LogLines().UpperBound() == analysis.LogLines().UpperBound();
        for (qint64 i = 1; same && i <= fresh.LogLines().UpperBound(); ++i)
            same = fresh.LogLines()[i] == analysis.LogLines()[i];
        if (!same)
            summary.Problems << u"load: a file cut while read differs from a fresh load of it"_s;
    }

    const PassOutcome pass = analysis.RunPass();
    summary.PassCompleted = pass.Completed;
    // The report tool's one sweep over a file that stays as it is ends as the two steps do.
    if (change.What == ChangingFile::Change::None) {
        const QString difference = SweepDifference(analysis, load, pass, path);
        if (!difference.isEmpty()) summary.Problems << u"one sweep: "_s + difference;
    }
    if (!pass.Completed) {
        if (!pass.NothingLoaded &&
            (pass.FailedLine < 1 || pass.FailedLine > analysis.LogLines().UpperBound()))
            summary.Problems << u"pass: ended at line %1"_s.arg(pass.FailedLine);
        // The window builds no tree after a pass that ended early.
        return summary;
    }
    const auto texts = analysis.StatTexts();
    for (size_t i = 0; i < 5; ++i)
        if (!texts[i]) summary.Problems << u"stats: label %1 left unset"_s.arg(i);
    summary.Records = analysis.Entries().Count();
    const qint32 records = summary.Records;

    TreeModel tree;
    Checker check(summary, tree);
    Host host;
    SortOrder sortMode = SortOrder::NoSort;
    const auto settle = [&](const QString& when, bool finished) {
        check.Structure(when);
        if (finished) CheckBuilt(check, tree, host, sortMode, records, when);
        summary.MostNodes = std::max(summary.MostNodes, tree.Count());
    };

    // Every other input builds its trees with the helper thread, however few its records.
    SetBuildHelperThreshold(choose.Next() % 2 ? 0 : DefaultBuildHelperThreshold);
    const auto helperBack =
        qScopeGuard([] { SetBuildHelperThreshold(DefaultBuildHelperThreshold); });

    // Each build from scratch, then each from whatever the one before left.
    for (const SortOrder mode : AllOrders) {
        sortMode = mode;
        const QString when = u"build "_s + OrderName(mode);
        settle(when, Rebuild([&] { PopulateTree(tree, sortMode, analysis, host); }, summary, when));
    }

    // Sort clicks as the input picks them, one of them made again while its own rebuild is
    // yielding; the outer rebuild then starts over in the mode the inner click set.
    for (int click = 0; click < 6; ++click) {
        const SortOrder button = AllOrders[choose.Next() % AllOrders.size()];
        QString when = u"click "_s + OrderName(button);
        if (click == 3) {
            const SortOrder inner = AllOrders[choose.Next() % AllOrders.size()];
            when += u" with "_s + OrderName(inner) + u" inside"_s;
            host.OnDoEvents = [&, inner] {
                Rebuild([&] { SortButtonClick(inner, sortMode, tree, analysis, host); }, summary,
                        u"inner click"_s);
            };
        }
        const SortOrder before = sortMode;
        const qint32 nodesBefore = tree.Count();
        bool rebuilt = false;
        const bool finished =
            Rebuild([&] { rebuilt = SortButtonClick(button, sortMode, tree, analysis, host); },
                    summary, when);
        host.OnDoEvents = nullptr;
        if (finished && rebuilt != (before != button))
            check.Fail(when, u"rebuilt %1 from %2"_s.arg(rebuilt).arg(OrderName(before)));
        if (finished && !rebuilt && tree.Count() != nodesBefore)
            check.Fail(when, u"the shown mode's button changed the tree"_s);
        settle(when, finished);
    }

    // Search texts: a piece of the input, a piece of a node in another case, everything,
    // and the prompt.
    QStringList searchTexts;
    const qsizetype length = 1 + choose.Next() % 8;
    const qsizetype from = bytes.size() / 2;
    searchTexts << QString::fromUtf8(bytes.sliced(from, std::min(length, bytes.size() - from)));
    if (tree.Count() > 0) {
        const QString text = tree.Text(1 + qint32(choose.Next()) % tree.Count()).toString();
        const qsizetype at = text.isEmpty() ? 0 : choose.Next() % text.size();
        searchTexts << text.sliced(at, std::min<qsizetype>(6, text.size() - at)).toLower();
    }
    searchTexts << QString() << SearchPrompt.toString();
    for (const QString& text : searchTexts)
        Searches(tree, analysis, text, summary, check);

    Executes(tree, workDir, choose, summary, check);
    check.Structure(u"after searches and executes"_s);
    return summary;
}

} // namespace FuzzPipeline
