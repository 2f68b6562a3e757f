#include "view/TreeBuilds.h"

#include "analysis/LineFormat.h"
#include "analysis/TextRules.h"

#include <QScopeGuard>

#include <charconv>
#include <iterator>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {

enum class AddedForm { AsStored, TimeOnly, LongDateAndTime, ShortDateAndTime };

// Adds one record's entry node and its detail lines. Keys and texts are put together in
// buffers kept across records, so a build allocates little beyond the nodes themselves.
class EntryWriter {
public:
    EntryWriter(TreeModel& tree, LogAnalysis& analysis, AddedForm form)
        : m_Tree(tree), m_Analysis(analysis), m_Form(form), m_Wide(analysis.DateIsLong() ? 2 : 0) {}

    // A count as QString::number writes it, without a string of its own.
    static QString& AppendNumber(QString& out, qint32 value) {
        char digits[16];
        return out.append(
            QLatin1StringView(digits, std::to_chars(digits, std::end(digits), value).ptr));
    }
    static auto Number(qint32 value) {
        return [value](QString& out) { AppendNumber(out, value); };
    }

    void Add(qint32 parent) {
        m_EntryKey.truncate(0);
        AppendNumber(m_EntryKey.append(u"Entry: "), m_Analysis.CurLine());
        m_Value.truncate(0);
        Record().AppendFName(m_Value);
        const qint32 entry = m_Tree.Add(parent, m_EntryKey, m_Value);
        m_Tree.SetImage(entry, TreeImage::Entry);

        Detail(entry, u"Started ", TreeImage::Calendar, u"Added: ",
               [this](QString& out) { AppendAddedText(out); });
        Detail(entry, u"URL ", TreeImage::Url, u"URL: ",
               [this](QString& out) { Record().AppendURL(out); });
        Detail(entry, u"Local ", TreeImage::Folder, u"Local Path: ",
               [this](QString& out) { Record().AppendLocalName(out); });
        if (const qint32 restarts = Record().Restarts(); restarts > 0)
            Detail(entry, u"Restarts ", TreeImage::Restarts, u"Restarts: ", Number(restarts));
        if (const qint32 mirrors = Record().Mirrors(); mirrors > 0)
            Detail(entry, u"Mirrors ", TreeImage::Mirrors, u"Mirror Swaps: ", Number(mirrors));
        if (const qint32 resumes = Record().Resumes(); resumes > 0)
            Detail(entry, u"Resumes ", TreeImage::Resumes, u"Resumes: ", Number(resumes));
        // The by-date build, alone of the four, labels the kilobytes "Bytes".
        if (const qint32 num = Record().Num(); num > 0)
            Detail(entry, u"Bytes ", TreeImage::Bytes,
                   m_Form == AddedForm::TimeOnly ? u"Bytes Resumed: " : u"KBytes Resumed: ",
                   QString(FormatGrouped(num, m_Analysis.Formats().GroupSeparator()) + u" Kb"_s));
        m_Value.truncate(0);
        Record().AppendDateFinished(m_Value);
        if (!m_Value.isEmpty())
            Detail(entry, u"Finished ", TreeImage::Finished, u"Finished: ", m_Value);
    }

    // "Long Date" of the same day comes up record after record; the locale's long form
    // is the costly part of a build, so the last one is kept.
    const QString& LongDate(const QString& text) {
        if (!m_HasLongDate || text != m_LongDateIn) {
            m_LongDateIn = text;
            m_LongDateOut = RenderLongDate(text, m_Analysis.Formats());
            m_HasLongDate = true;
        }
        return m_LongDateOut;
    }

private:
    // Every property is read from the collection when its line is made.
    const LogEntry& Record() const { return *m_Analysis.Entries().Item(m_Analysis.CurLine()); }

    // A detail line: its key is the word and the entry's key, its text the label and the
    // value, which is a text or something that appends one.
    template <class Value>
    void Detail(qint32 entry, QStringView word, qint32 image, QStringView label, Value&& value) {
        m_Key.truncate(0);
        m_Key.append(word).append(m_EntryKey);
        m_Text.truncate(0);
        m_Text.append(label);
        if constexpr (std::is_invocable_v<Value, QString&>)
            value(m_Text);
        else
            m_Text.append(value);
        m_Tree.SetImage(m_Tree.Add(entry, m_Key, m_Text), image);
    }

    void AppendAddedText(QString& out) {
        if (m_Form == AddedForm::AsStored)
            Record().AppendDateStarted(out);
        else
            out.append(AddedText());
    }

    QString AddedText() {
        const QString started = Record().DateStarted();
        const QStringView s = started;
        const LocaleFormats& formats = m_Analysis.Formats();
        switch (m_Form) {
        case AddedForm::AsStored:
            return started;
        case AddedForm::TimeOnly:
            return TrimBlanks(After(s, 11)).toString();
        case AddedForm::LongDateAndTime:
            return LongDate(LeftOf(s, 8).toString()) + u" / "_s +
                   RenderTimeAmPm(After(s, 11).toString(), formats);
        case AddedForm::ShortDateAndTime:
            // Positions move with the date length of the last analysed line, as they
            // always have: a short-date start text then reads oddly, on purpose.
            return RenderShortDate(LeftOf(s, 8 + m_Wide).toString(), formats) + u" / "_s +
                   RenderTimeAmPm(After(s, 11 + m_Wide).toString(), formats);
        }
        return started;
    }

    TreeModel& m_Tree;
    LogAnalysis& m_Analysis;
    const AddedForm m_Form;
    const qsizetype m_Wide;
    QString m_EntryKey;
    QString m_Value;
    QString m_Key;
    QString m_Text;
    QString m_LongDateIn;
    QString m_LongDateOut;
    bool m_HasLongDate = false;
};

enum class Grouping { ByDate, ByURL, ByLocal };

void PopulateGrouped(TreeModel& tree, LogAnalysis& analysis, PopulateHost& host, Grouping by) {
    host.SetProgressVisible(true);
    host.SetProgressCaption(u"Populating"_s);
    host.SetProgressMax(analysis.Entries().Count());
    host.SetProgressMin(1);
    if (by == Grouping::ByDate) tree.SetRootSorted(false);

    EntryWriter writer(tree, analysis,
                       by == Grouping::ByDate  ? AddedForm::TimeOnly
                       : by == Grouping::ByURL ? AddedForm::LongDateAndTime
                                               : AddedForm::ShortDateAndTime);
    const QStringView word = by == Grouping::ByDate  ? u"Date: "
                             : by == Grouping::ByURL ? u"URL: "
                                                     : u"Local: ";
    QString value;
    QString key;
    const qint32 count = analysis.Entries().Count();
    qint32& CurLine = analysis.CurLine();
    for (CurLine = 1; CurLine <= count; ++CurLine) {
        host.SetProgressValue(CurLine);
        const LogEntry& record = *analysis.Entries().Item(CurLine);
        if (by == Grouping::ByDate) {
            // The day ends at the first "-", also when the short date holds one itself.
            const QString started = record.DateStarted();
            const qsizetype dash = started.indexOf(u'-');
            value = TrimBlanks(dash < 0 ? QStringView(started) : QStringView(started).first(dash))
                        .toString();
        } else {
            SplitPath(by == Grouping::ByURL ? record.URL() : record.LocalName(), &value);
        }
        key.truncate(0);
        key.append(word).append(value);

        qint32 group = tree.Find(key);
        if (group == TreeModel::NoNode) {
            group = tree.Add(TreeModel::NoNode, key);
            tree.SetText(group, by == Grouping::ByDate ? writer.LongDate(value) : value);
            tree.SetImage(group, by == Grouping::ByLocal ? TreeImage::Folder : TreeImage::Calendar);
            tree.SetSorted(group, true);
        }
        writer.Add(group);
    }
    host.SetProgressVisible(false);
    if (by != Grouping::ByDate) tree.SetRootSorted(true);
}

} // namespace

bool PopulateFlat(TreeModel& tree, SortOrder sortMode, LogAnalysis& analysis, PopulateHost& host) {
    try {
        host.SetProgressMax(analysis.Entries().Count());
        host.SetProgressCaption(u"Populating"_s);
        host.SetProgressVisible(true);
        EntryWriter writer(tree, analysis, AddedForm::AsStored);
        const qint32 count = analysis.Entries().Count();
        qint32& CurLine = analysis.CurLine();
        for (CurLine = 1; CurLine <= count; ++CurLine) {
            host.SetProgressValue(CurLine);
            writer.Add(TreeModel::NoNode);
        }
        if (sortMode == SortOrder::ByName) tree.SetRootSorted(true);
        host.SetProgressVisible(false);
        return true;
    } catch (const std::exception&) {
        // Ends silently; the progress bar stays as the failure left it.
        return false;
    }
}

void PopulateByDate(TreeModel& tree, LogAnalysis& analysis, PopulateHost& host) {
    PopulateGrouped(tree, analysis, host, Grouping::ByDate);
}

void PopulateByURL(TreeModel& tree, LogAnalysis& analysis, PopulateHost& host) {
    PopulateGrouped(tree, analysis, host, Grouping::ByURL);
}

void PopulateByLocal(TreeModel& tree, LogAnalysis& analysis, PopulateHost& host) {
    PopulateGrouped(tree, analysis, host, Grouping::ByLocal);
}

void PopulateTree(TreeModel& tree, const SortOrder& sortMode, LogAnalysis& analysis,
                  PopulateHost& host) {
    tree.SetVisible(false);
    host.SetTreeVisible(false);
    host.DoEvents();
    if (host.Superseded()) return;

    host.TreeClearing();
    // An error of a grouped build leaves the tree hidden, but the item model must still
    // learn that the nodes changed.
    auto rebuilt = qScopeGuard([&] { host.TreeRebuilt(); });
    tree.Clear();
    switch (sortMode) {
    case SortOrder::NoSort:
    case SortOrder::ByName:
        PopulateFlat(tree, sortMode, analysis, host);
        break;
    case SortOrder::ByDate:
        PopulateByDate(tree, analysis, host);
        break;
    case SortOrder::ByURL:
        PopulateByURL(tree, analysis, host);
        break;
    case SortOrder::ByLocal:
        PopulateByLocal(tree, analysis, host);
        break;
    }

    for (const SortOrder button : SortButtonOrder)
        host.SetSortButtonEnabled(button, true);
    host.SetSortButtonEnabled(sortMode, false);
    // An empty collection leaves nothing to select.
    if (tree.Count() > 0) tree.Select(1);
    rebuilt.dismiss();
    host.TreeRebuilt();
    tree.SetVisible(true);
    host.SetTreeVisible(true);
}

bool SortButtonClick(SortOrder button, SortOrder& sortMode, TreeModel& tree, LogAnalysis& analysis,
                     PopulateHost& host) {
    if (sortMode == button) return false;
    sortMode = button;
    PopulateTree(tree, sortMode, analysis, host);
    return true;
}
