#include "view/TreeBuilds.h"

#include "analysis/LineFormat.h"
#include "analysis/TextRules.h"
#include "base/Relay.h"

#include <QScopeGuard>

#include <array>
#include <atomic>
#include <charconv>
#include <cstring>
#include <iterator>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {

enum class AddedForm { AsStored, TimeOnly, LongDateAndTime, ShortDateAndTime };

// A detail line's key is its word followed by its entry's key.
enum class Word : quint8 { Started, URL, Local, Restarts, Mirrors, Resumes, Bytes, Finished };
constexpr std::array<QStringView, 8> Words = {u"Started ", u"URL ",     u"Local ", u"Restarts ",
                                              u"Mirrors ", u"Resumes ", u"Bytes ", u"Finished "};
enum class Grouping { None, ByDate, ByURL, ByLocal };

// The nodes of some records, put together ahead of the tree: keys one after another in
// Keys, texts in Narrow (Latin-1) or Wide, and per node where they lie. A record's nodes
// are its group (in a grouped build), its entry node and its detail lines, in the order
// they are added.
struct PreparedNodes {
    // Record starts each record's nodes: Key holds the record's position. A detail line's
    // Key is its Word.
    enum class Kind : quint8 { Record, Group, Entry, Detail };
    struct Node {
        Kind What;
        qint8 Image;
        bool WideText;
        // A text that seldom comes twice (a time) is kept without a look for a copy.
        bool Once;
        qsizetype Key;
        qsizetype KeySize;
        qsizetype Text;
        qsizetype TextSize;
        quint32 TextHash; // TreeModel::HashOf the text; a detail line's only if HashesDetails
        quint32 KeyHash;  // TreeModel::HashOfKey, for an entry's key, which is kept whole
    };
    QString Keys;
    std::vector<char> Narrow;
    QString Wide;
    std::vector<Node> Nodes;
    // Detail lines are most of the nodes, so hashing their texts is the share of work that
    // goes to whichever side of a build is the faster.
    bool HashesDetails = false;

    void Clear() {
        Keys.truncate(0);
        Narrow.clear();
        Wide.truncate(0);
        Nodes.clear();
        HashesDetails = false;
    }
    void StartRecord(qint32 record) {
        Nodes.push_back(Node{Kind::Record, 0, false, false, record, 0, 0, 0, 0, 0});
    }
    // A node whose key is Keys from keyStart on, or a detail line's word.
    void Add(Kind what, qint32 image, qsizetype keyStart, const MixedText& text,
             bool once = false) {
        const qsizetype at = text.IsWide() ? Wide.size() : qsizetype(Narrow.size());
        if (text.IsWide()) {
            Wide.append(text.Wide());
        } else if (!text.Latin1().isEmpty()) {
            Narrow.insert(Narrow.end(), text.Latin1().begin(), text.Latin1().end());
        }
        const QStringView key =
            what == Kind::Detail ? QStringView() : QStringView(Keys).sliced(keyStart);
        Nodes.push_back(Node{
            what, qint8(image), text.IsWide(), once, keyStart, key.size(), at, text.View().size(),
            once || (what == Kind::Detail && !HashesDetails) ? 0 : TreeModel::HashOf(text.View()),
            what == Kind::Entry ? TreeModel::HashOfKey(key) : 0});
    }
    QStringView Key(const Node& node) const {
        return QStringView(Keys).sliced(node.Key, node.KeySize);
    }
    QAnyStringView Text(const Node& node) const {
        if (node.WideText) return QStringView(Wide).sliced(node.Text, node.TextSize);
        return QLatin1StringView(Narrow.data() + node.Text, node.TextSize);
    }
};

// Puts together one record's nodes. Every property is read from the collection when its
// line is made, and nothing here touches the tree, so a build may prepare records on a
// thread of its own while the tree takes the ones prepared before.
class EntryWriter {
public:
    EntryWriter(const LogAnalysis& analysis, AddedForm form)
        : m_Entries(analysis.Entries()), m_Formats(analysis.Formats()), m_Form(form),
          m_Wide(analysis.DateIsLong() ? 2 : 0) {}

    // A count as QString::number writes it, without a string of its own.
    static QString& AppendNumber(QString& out, qint32 value) {
        char digits[16];
        return out.append(
            QLatin1StringView(digits, std::to_chars(digits, std::end(digits), value).ptr));
    }
    static auto Number(qint32 value) {
        return [value](MixedText& out) {
            char digits[16];
            out.Append(
                QLatin1StringView(digits, std::to_chars(digits, std::end(digits), value).ptr));
        };
    }

    // Record `record`'s nodes, after its group's in a grouped build.
    void Prepare(qint32 record, Grouping by, PreparedNodes& out) {
        m_Record = m_Entries.Item(record);
        if (by != Grouping::None) Group(by, out);
        m_EntryKey.truncate(0);
        AppendNumber(m_EntryKey.append(u"Entry: "), record);
        const qsizetype key = out.Keys.size();
        out.Keys.append(m_EntryKey);
        m_Text.Clear();
        Record().AppendFName(m_Text);
        out.Add(PreparedNodes::Kind::Entry, TreeImage::Entry, key, m_Text);

        Detail(out, Word::Started, TreeImage::Calendar, "Added: "_L1,
               [this](MixedText& text) { AppendAddedText(text); });
        Detail(out, Word::URL, TreeImage::Url, "URL: "_L1,
               [this](MixedText& text) { Record().AppendURL(text); });
        Detail(out, Word::Local, TreeImage::Folder, "Local Path: "_L1,
               [this](MixedText& text) { Record().AppendLocalName(text); });
        if (const qint32 restarts = Record().Restarts(); restarts > 0)
            Detail(out, Word::Restarts, TreeImage::Restarts, "Restarts: "_L1, Number(restarts));
        if (const qint32 mirrors = Record().Mirrors(); mirrors > 0)
            Detail(out, Word::Mirrors, TreeImage::Mirrors, "Mirror Swaps: "_L1, Number(mirrors));
        if (const qint32 resumes = Record().Resumes(); resumes > 0)
            Detail(out, Word::Resumes, TreeImage::Resumes, "Resumes: "_L1, Number(resumes));
        // The by-date build, alone of the four, labels the kilobytes "Bytes".
        if (const qint32 num = Record().Num(); num > 0)
            Detail(out, Word::Bytes, TreeImage::Bytes,
                   m_Form == AddedForm::TimeOnly ? "Bytes Resumed: "_L1 : "KBytes Resumed: "_L1,
                   [&](MixedText& text) {
                       text.Append(GroupedNumber(num, m_Formats.GroupSeparator()).View())
                           .Append(" Kb"_L1);
                   });
        m_Finished.Clear();
        Record().AppendDateFinished(m_Finished);
        if (!m_Finished.View().isEmpty())
            Detail(out, Word::Finished, TreeImage::Finished, "Finished: "_L1,
                   [this](MixedText& text) { text.Append(m_Finished.View()); });
    }

private:
    const LogEntry& Record() const { return *m_Record; }

    // The group a record goes under: its key, and the text it gets if it is new.
    void Group(Grouping by, PreparedNodes& out) {
        const qsizetype key = out.Keys.size();
        m_Text.Clear();
        if (by == Grouping::ByDate) {
            // The day ends at the first "-", also when the short date holds one itself.
            const QString started = Record().DateStarted();
            const qsizetype dash = started.indexOf(u'-');
            m_Value = TrimBlanks(dash < 0 ? QStringView(started) : QStringView(started).first(dash))
                          .toString();
            out.Keys.append(u"Date: ").append(m_Value);
            m_Text.Append(QStringView(LongDate(m_Value)));
            out.Add(PreparedNodes::Kind::Group, TreeImage::Calendar, key, m_Text);
            return;
        }
        SplitPath(by == Grouping::ByURL ? Record().URL() : Record().LocalName(), &m_Value);
        out.Keys.append(by == Grouping::ByURL ? u"URL: " : u"Local: ").append(m_Value);
        m_Text.Append(QStringView(m_Value));
        out.Add(PreparedNodes::Kind::Group,
                by == Grouping::ByLocal ? TreeImage::Folder : TreeImage::Calendar, key, m_Text);
    }

    // "Long Date" of the same day comes up record after record; the locale's long form
    // is the costly part of a build, so the last one is kept.
    const QString& LongDate(const QString& text) {
        if (!m_HasLongDate || text != m_LongDateIn) {
            m_LongDateIn = text;
            m_LongDateOut = RenderLongDate(text, m_Formats);
            m_HasLongDate = true;
        }
        return m_LongDateOut;
    }

    // A detail line: its key is the word and the entry's key, its text the label and what
    // value appends.
    template <class Value>
    void Detail(PreparedNodes& out, Word word, qint32 image, QLatin1StringView label,
                Value&& value) {
        m_Text.Clear();
        m_Text.Append(label);
        value(m_Text);
        out.Add(PreparedNodes::Kind::Detail, image, qsizetype(word), m_Text,
                word == Word::Started || word == Word::Finished);
    }

    void AppendAddedText(MixedText& out) {
        if (m_Form == AddedForm::AsStored)
            Record().AppendDateStarted(out);
        else
            out.Append(QStringView(AddedText()));
    }

    QString AddedText() {
        const QString started = Record().DateStarted();
        const QStringView s = started;
        switch (m_Form) {
        case AddedForm::AsStored:
            return started;
        case AddedForm::TimeOnly:
            return TrimBlanks(After(s, 11)).toString();
        case AddedForm::LongDateAndTime:
            return LongDate(LeftOf(s, 8).toString()) + u" / "_s +
                   RenderTimeAmPm(After(s, 11).toString(), m_Formats);
        case AddedForm::ShortDateAndTime:
            // Positions move with the date length of the last analysed line, as they
            // always have: a short-date start text then reads oddly, on purpose.
            return RenderShortDate(LeftOf(s, 8 + m_Wide).toString(), m_Formats) + u" / "_s +
                   RenderTimeAmPm(After(s, 11 + m_Wide).toString(), m_Formats);
        }
        return started;
    }

    const LogEntries& m_Entries;
    // A copy of its own: the writer may run on a thread of its own.
    const LocaleFormats m_Formats;
    const AddedForm m_Form;
    const qsizetype m_Wide;
    const LogEntry* m_Record = nullptr;
    QString m_EntryKey;
    QString m_Value;
    MixedText m_Text;
    MixedText m_Finished;
    QString m_LongDateIn;
    QString m_LongDateOut;
    bool m_HasLongDate = false;
};

std::atomic<qint32> BuildHelperThreshold = DefaultBuildHelperThreshold;
constexpr qsizetype NodesPerBatch = 2048;
constexpr size_t ForeseeAhead = 16;
constexpr qint32 RecordsAhead = 4;

// The build loop: each record's nodes, with CurLine and the progress bar at the record,
// then CurLine one past the last record. A failure ends it after the nodes put together
// before it, as if each record were put together where it is added.
void AddRecords(TreeModel& tree, LogAnalysis& analysis, PopulateHost& host, AddedForm form,
                Grouping by) {
    EntryWriter writer(analysis, form);
    const qint32 count = analysis.Entries().Count();
    qint32& CurLine = analysis.CurLine();
    qint32 group = TreeModel::NoNode;
    qint32 entry = TreeModel::NoNode;
    std::array<qint32, Words.size()> fronts;
    for (size_t word = 0; word < Words.size(); ++word)
        fronts[word] = tree.FrontNumber(Words[word]);
    const auto prepare = [&](qint32 record, PreparedNodes& out) {
        out.StartRecord(record);
        writer.Prepare(record, by, out);
    };
    const auto take = [&](const PreparedNodes& batch) {
        using Kind = PreparedNodes::Kind;
        const size_t size = batch.Nodes.size();
        // The text hashes from here to ForeseeAhead nodes on, by position.
        std::array<quint32, 2 * ForeseeAhead> hashes;
        const auto hash = [&](size_t at) {
            const PreparedNodes::Node& node = batch.Nodes[at];
            hashes[at % hashes.size()] =
                node.What == Kind::Detail && !node.Once && !batch.HashesDetails
                    ? TreeModel::HashOf(batch.Text(node))
                    : node.TextHash;
        };
        for (size_t i = 0; i < std::min(size, ForeseeAhead); ++i)
            hash(i);
        for (size_t i = 0; i < size; ++i) {
            // What the tree reads for a node is far apart in a large tree: it is asked for
            // ahead, in two steps, as the second needs what the first fetched.
            if (i + ForeseeAhead < size) {
                hash(i + ForeseeAhead);
                if (const PreparedNodes::Node& ahead = batch.Nodes[i + ForeseeAhead]; !ahead.Once)
                    tree.Foresee(hashes[(i + ForeseeAhead) % hashes.size()],
                                 ahead.What == Kind::Entry ? &ahead.KeyHash : nullptr);
            }
            if (i + ForeseeAhead / 2 < size && !batch.Nodes[i + ForeseeAhead / 2].Once)
                tree.ForeseeText(hashes[(i + ForeseeAhead / 2) % hashes.size()]);
            const quint32 textHash = hashes[i % hashes.size()];
            const PreparedNodes::Node& node = batch.Nodes[i];
            switch (node.What) {
            case Kind::Record:
                CurLine = qint32(node.Key);
                host.SetProgressValue(CurLine);
                break;
            case Kind::Group:
                group = tree.Find(batch.Key(node));
                if (group == TreeModel::NoNode) {
                    group = tree.Add(TreeModel::NoNode, batch.Key(node));
                    tree.SetText(group, batch.Text(node));
                    tree.SetImage(group, node.Image);
                    tree.SetSorted(group, true);
                }
                break;
            case Kind::Entry:
                entry = tree.Add(group, batch.Key(node), batch.Text(node), textHash, node.KeyHash);
                tree.SetImage(entry, node.Image);
                break;
            case Kind::Detail:
                if (const qint32 front = fronts[size_t(node.Key)]; front >= 0)
                    tree.SetImage(
                        tree.AddUnder(entry, front, batch.Text(node),
                                      node.Once ? std::nullopt : std::optional<quint32>(textHash)),
                        node.Image);
                else
                    tree.SetImage(
                        tree.Add(entry, QString(Words[size_t(node.Key)] + tree.Key(entry)),
                                 batch.Text(node),
                                 node.Once ? TreeModel::HashOf(batch.Text(node)) : textHash),
                        node.Image);
                break;
            }
        }
    };

    CurLine = 1;
    bool done = false;
    if (count > BuildHelperThreshold.load(std::memory_order_relaxed)) {
        analysis.Entries().Settle(); // the helper reads records by position
        Relay<PreparedNodes> relay;
        done = relay.Run(
            [&] {
                for (qint32 record = 1; record <= count; ++record) {
                    // Records and their texts are read from all over a large log's
                    // memory; those a few records on are asked for ahead.
                    analysis.Entries().Foresee(record + 2 * RecordsAhead, record + RecordsAhead);
                    PreparedNodes& batch = relay.Filling();
                    // The tree's side: its pace can change as the build goes (new memory
                    // is slow to touch), so each batch asks afresh.
                    if (batch.Nodes.empty()) batch.HashesDetails = relay.TakerBehind();
                    prepare(record, batch);
                    if (batch.Nodes.size() >= size_t(NodesPerBatch)) relay.Publish();
                }
            },
            take);
    }
    if (!done) {
        PreparedNodes nodes;
        for (qint32 record = 1; record <= count; ++record) {
            nodes.Clear();
            try {
                prepare(record, nodes);
            } catch (...) {
                take(nodes);
                throw;
            }
            take(nodes);
        }
    }
    CurLine = count + 1;
}

void PopulateGrouped(TreeModel& tree, LogAnalysis& analysis, PopulateHost& host, Grouping by) {
    host.SetProgressVisible(true);
    host.SetProgressCaption(u"Populating"_s);
    host.SetProgressMax(analysis.Entries().Count());
    host.SetProgressMin(1);
    if (by == Grouping::ByDate) tree.SetRootSorted(false);
    AddRecords(tree, analysis, host,
               by == Grouping::ByDate  ? AddedForm::TimeOnly
               : by == Grouping::ByURL ? AddedForm::LongDateAndTime
                                       : AddedForm::ShortDateAndTime,
               by);
    host.SetProgressVisible(false);
    if (by != Grouping::ByDate) tree.SetRootSorted(true);
}

} // namespace

void SetBuildHelperThreshold(qint32 records) {
    BuildHelperThreshold.store(records, std::memory_order_relaxed);
}

bool PopulateFlat(TreeModel& tree, SortOrder sortMode, LogAnalysis& analysis, PopulateHost& host) {
    try {
        host.SetProgressMax(analysis.Entries().Count());
        host.SetProgressCaption(u"Populating"_s);
        host.SetProgressVisible(true);
        AddRecords(tree, analysis, host, AddedForm::AsStored, Grouping::None);
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
