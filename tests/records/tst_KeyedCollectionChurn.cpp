#include "records/KeyedCollection.h"
#include "records/LogCurEntries.h"
#include "records/LogEntries.h"
#include "records/modErrorHandling.h"

#include <QHash>
#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

#include <map>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// What a collection should hold: item ids in order, each with the key it is filed under
// (empty: none), and which id each key reaches. Keys meet when their case folds agree, as
// the collections compare them.
class Model {
public:
    struct Entry {
        int Id;
        QString Key;
    };

    const std::vector<Entry>& Order() const { return m_Order; }
    qint32 Count() const { return qint32(m_Order.size()); }

    int Find(const QString& key) const {
        if (key.isEmpty()) return -1;
        const auto it = m_ByKey.find(key.toCaseFolded());
        return it == m_ByKey.end() ? -1 : it->second;
    }
    // The key must be free.
    void Append(int id, const QString& key) {
        m_Order.push_back({id, key});
        if (!key.isEmpty() && !m_ByKey.emplace(key.toCaseFolded(), id).second)
            qFatal("the model was given a key in use");
    }
    bool MoveToEndUnkeyed(const QString& key) {
        const int id = Find(key);
        if (id < 0) return false;
        Erase(PositionOf(id));
        m_Order.push_back({id, QString()});
        return true;
    }
    bool RemoveKey(const QString& key) {
        const int id = Find(key);
        if (id < 0) return false;
        Erase(PositionOf(id));
        return true;
    }
    bool RemoveAt(qint64 position) {
        if (position < 1 || position > Count()) return false;
        Erase(size_t(position - 1));
        return true;
    }
    void Clear() {
        m_Order.clear();
        m_ByKey.clear();
    }

private:
    size_t PositionOf(int id) const {
        for (size_t i = 0; i < m_Order.size(); ++i)
            if (m_Order[i].Id == id) return i;
        qFatal("the model lost an id");
    }
    void Erase(size_t index) {
        if (!m_Order[index].Key.isEmpty()) m_ByKey.erase(m_Order[index].Key.toCaseFolded());
        m_Order.erase(m_Order.begin() + qsizetype(index));
    }

    std::vector<Entry> m_Order;
    std::map<QString, int> m_ByKey; // folded key -> id
};

// Letters with every spelling of each that compares equal without regard to case: plain
// ASCII, Latin-1, Greek with its final sigma, the long s and the Kelvin sign that fold into
// ASCII, and a Deseret letter of two UTF-16 units.
const QStringList Letters[] = {
    {u"a"_s, u"A"_s},
    {u"p"_s, u"P"_s},
    {u"t"_s, u"T"_s},
    {u"x"_s, u"X"_s},
    {u"z"_s, u"Z"_s},
    {u"/"_s},
    {u"."_s},
    {u"1"_s},
    {u"7"_s},
    {u"k"_s, u"K"_s, u"\u212A"_s},
    {u"s"_s, u"S"_s, u"\u017F"_s},
    {u"ä"_s, u"Ä"_s},
    {u"σ"_s, u"Σ"_s, u"ς"_s},
    {u"\U00010428"_s, u"\U00010400"_s},
};
constexpr int AsciiOnlyLetters = 9; // the first nine are spelled in ASCII only

// Keys, distinct under case folding, each spelled at random every time it is used.
class KeyPool {
public:
    KeyPool(QRandomGenerator& rng, int count) {
        while (int(m_Keys.size()) < count) {
            // Mostly URL-length ASCII keys, which the hash takes four units at a time, and
            // some short ones; a few letters with other spellings in either.
            const int length = rng.bounded(4) == 0 ? rng.bounded(1, 4) : rng.bounded(4, 40);
            std::vector<int> letters;
            for (int i = 0; i < length; ++i)
                letters.push_back(rng.bounded(10) ? rng.bounded(AsciiOnlyLetters + 2)
                                                  : rng.bounded(int(std::size(Letters))));
            const QString folded = Spell(letters, rng).toCaseFolded();
            if (m_IndexOfFolded.contains(folded)) continue;
            m_IndexOfFolded.insert(folded, int(m_Keys.size()));
            m_Keys.push_back(std::move(letters));
        }
    }
    int Size() const { return int(m_Keys.size()); }
    QString Spell(int index, QRandomGenerator& rng) const { return Spell(m_Keys[index], rng); }
    QString Random(QRandomGenerator& rng) const { return Spell(rng.bounded(Size()), rng); }
    // Another spelling of a key from the pool.
    QString Respell(const QString& key, QRandomGenerator& rng) const {
        return Spell(m_IndexOfFolded.value(key.toCaseFolded()), rng);
    }

private:
    static QString Spell(const std::vector<int>& letters, QRandomGenerator& rng) {
        QString out;
        for (int letter : letters)
            out += Letters[letter][rng.bounded(int(Letters[letter].size()))];
        return out;
    }

    std::vector<std::vector<int>> m_Keys;
    QHash<QString, int> m_IndexOfFolded;
};

struct Item {
    int Id;
};
using Items = KeyedCollection<Item>;
using Keys = StringKeys;

// The same questions put to each kind of collection; an id of -1 is "nothing there".
int IdOf(const Item* item) { return item ? item->Id : -1; }
int IdOf(const LogEntry* entry) { return entry ? entry->Num() : -1; }
int IdOf(const LogKeys* link) { return link ? link->Key().toInt() : -1; }

int FindId(const Items& items, const QString& key) {
    const HashedKey hashed(key);
    const int id = IdOf(items.Find(hashed));
    return items.ContainsKey(hashed) == (id >= 0) ? id : -2;
}
int FindId(const LogEntries& entries, const QString& key) { return IdOf(entries.Item(key)); }
int FindId(const LogCurEntries& links, const QString& key) { return IdOf(links.Item(key)); }

int AtId(const Items& items, qint64 position) { return IdOf(items.At(position)); }
int AtId(const LogEntries& entries, qint64 position) {
    try {
        return IdOf(entries.Item(position));
    } catch (const QuillanError&) {
        return -3;
    }
}
int AtId(const LogCurEntries& links, qint64 position) { return IdOf(links.Item(position)); }

std::vector<int> Ids(const Items& items) {
    std::vector<int> ids;
    items.ForEach([&](const Item& item) { ids.push_back(item.Id); });
    return ids;
}
template <class Collection> std::vector<int> Ids(const Collection& collection) {
    std::vector<int> ids;
    collection.NewEnum([&](const auto& item) { ids.push_back(IdOf(&item)); });
    return ids;
}

// Empty when the collection agrees with the model on the count and on the given key.
template <class Collection>
QString QuickDifference(const Collection& collection, const Model& model, const QString& key) {
    if (collection.Count() != model.Count())
        return u"count %1, not %2"_s.arg(collection.Count()).arg(model.Count());
    const int got = FindId(collection, key), want = model.Find(key);
    return got == want ? QString() : u"key %1 gives %2, not %3"_s.arg(key).arg(got).arg(want);
}

// Empty when the collection holds just what the model does: the order it visits, every key
// in another spelling, and with positions every 1-based position. Positions are asked only
// when wanted, as asking closes the holes that removals leave.
template <class Collection, class Respell>
QString Difference(const Collection& collection, const Model& model, Respell&& respell,
                   bool positions) {
    if (collection.Count() != model.Count())
        return u"count %1, not %2"_s.arg(collection.Count()).arg(model.Count());
    const std::vector<int> ids = Ids(collection);
    if (ids.size() != model.Order().size())
        return u"visits %1 items, not %2"_s.arg(ids.size()).arg(model.Order().size());
    for (size_t i = 0; i < ids.size(); ++i)
        if (ids[i] != model.Order()[i].Id)
            return u"visits %1 in place %2, not %3"_s.arg(ids[i]).arg(i).arg(model.Order()[i].Id);
    for (const Model::Entry& entry : model.Order()) {
        if (entry.Key.isEmpty()) continue;
        const QString spelling = respell(entry.Key);
        if (const int got = FindId(collection, spelling); got != entry.Id)
            return u"key %1 (filed as %2) gives %3, not %4"_s.arg(spelling, entry.Key)
                .arg(got)
                .arg(entry.Id);
    }
    if (positions)
        for (qint32 p = 1; p <= model.Count(); ++p)
            if (const int got = AtId(collection, p); got != model.Order()[size_t(p - 1)].Id)
                return u"position %1 gives %2, not %3"_s.arg(p).arg(got).arg(
                    model.Order()[size_t(p - 1)].Id);
    return QString();
}

// Empty when call raises number from source if it should, and raises nothing otherwise.
template <class Call>
QString Outcome(Call&& call, bool raises, qint32 number, const QString& source) {
    try {
        call();
    } catch (const QuillanError& error) {
        if (raises && error.Number() == number && error.Source() == source) return QString();
        return u"raised %1 from \"%2\""_s.arg(error.Number()).arg(error.Source());
    }
    return raises ? u"did not raise %1 from \"%2\""_s.arg(number).arg(source) : QString();
}

// How often to add, in percent, so that the size runs a course: growth through several
// rehashes and churn at that size, growth to a third of it, a drain to empty, and churn in a
// small table among many tombstones.
int AddPercent(int step, int steps, int large, qint32 count) {
    const int percent = int(qint64(step) * 100 / steps);
    const int target = percent < 40 ? large : percent < 55 ? large / 3 : percent < 75 ? 0 : 24;
    if (count < target) return 70;
    return count > target + target / 10 + 8 ? 15 : 35;
}

// A position to remove or ask for: the front, the middle, the end, anywhere, or just outside.
qint64 PickPosition(QRandomGenerator& rng, qint32 count) {
    switch (rng.bounded(8)) {
    case 0:
        return 1;
    case 1:
        return count / 2 + 1;
    case 2:
        return count;
    case 3:
        return rng.bounded(2) ? 0 : count + 1;
    default:
        return count ? rng.bounded(1, count + 1) : 1;
    }
}

// A source of large blocks that counts what it hands out and takes back, so that a block
// given back to the wrong place, or not at all, shows.
struct CountingSource {
    static inline int Taken = 0, Given = 0;
    static inline qint64 LiveBytes = 0;
    static inline std::map<char*, std::size_t> Live;
    static BlockSource Source() {
        return {[](std::size_t bytes) {
                    char* block = BlockSource::Heap().Allocate(bytes);
                    ++Taken;
                    Live[block] = bytes;
                    LiveBytes += qint64(bytes);
                    return block;
                },
                [](char* block) noexcept {
                    const auto it = Live.find(block);
                    if (it == Live.end()) qFatal("a block that the source never gave came back");
                    LiveBytes -= qint64(it->second);
                    Live.erase(it);
                    ++Given;
                    BlockSource::Heap().Free(block);
                }};
    }
};

} // namespace

// Failures name the seed and step, so that a run can be replayed up to the step that broke.
#define CHECK_STEP(problem)                                                                        \
    do {                                                                                           \
        const QString found = (problem);                                                           \
        QVERIFY2(found.isEmpty(),                                                                  \
                 qPrintable(u"seed %1, step %2: "_s.arg(seed).arg(step) + found));                 \
    } while (false)
#define SAME_AT_STEP(actual, expected)                                                             \
    QVERIFY2((actual) == (expected), qPrintable(u"seed %1, step %2: %3"_s.arg(seed).arg(step).arg( \
                                         QString::fromLatin1(#actual " != " #expected))))

class KeyedCollectionChurnTest : public QObject {
    Q_OBJECT

    // A position, and the key of the item there (empty for none or no item), to remove an
    // item that is there from the front, the middle or the end, or to miss just outside.
    static std::pair<qint64, QString> PickHeld(QRandomGenerator& rng, const Model& model) {
        const qint64 position = PickPosition(rng, model.Count());
        if (position < 1 || position > model.Count()) return {position, QString()};
        return {position, model.Order()[size_t(position - 1)].Key};
    }

private slots:
    void keyedCollectionFollowsTheModelThroughChurn() {
        for (const quint32 seed : {1u, 2u}) {
            QRandomGenerator rng(seed);
            const KeyPool pool(rng, 8000);
            const auto respell = [&](const QString& key) { return pool.Respell(key, rng); };
            const int steps = 70000, large = 5000;
            Items items;
            Model model;
            int nextId = 0;
            int step = 0;
            for (; step < steps; ++step) {
                if (step == steps * 4 / 10) { // emptied at full size, then filled again
                    CHECK_STEP(Difference(items, model, respell, false));
                    items.Clear();
                    model.Clear();
                }
                const int roll = rng.bounded(100);
                QString key = pool.Random(rng);
                if (roll < AddPercent(step, steps, large, model.Count())) {
                    const int id = nextId++;
                    if (rng.bounded(8) == 0) {
                        key.clear(); // filed by position only
                    } else if (model.Find(key) >= 0) {
                        // The key must be free: displace its holder or remove it first.
                        if (rng.bounded(2)) {
                            SAME_AT_STEP(IdOf(items.MoveToEndUnkeyed(HashedKey(key))),
                                         model.Find(key));
                            model.MoveToEndUnkeyed(key);
                        } else {
                            SAME_AT_STEP(items.RemoveKey(HashedKey(respell(key))), true);
                            model.RemoveKey(key);
                        }
                    }
                    Item item{id};
                    SAME_AT_STEP(items.Append(std::move(item), key, HashedKey(key))->Id, id);
                    model.Append(id, key);
                } else if (roll < 75) {
                    const auto [position, held] = PickHeld(rng, model);
                    if (!held.isEmpty() && rng.bounded(2)) {
                        key = respell(held);
                        SAME_AT_STEP(items.RemoveKey(HashedKey(key)), model.RemoveKey(key));
                    } else {
                        SAME_AT_STEP(items.RemoveAt(position), model.RemoveAt(position));
                    }
                } else if (roll < 85) { // a key that may or may not be there
                    SAME_AT_STEP(items.RemoveKey(HashedKey(key)), model.RemoveKey(key));
                } else if (roll < 92) {
                    const int holder = model.Find(key);
                    SAME_AT_STEP(IdOf(items.MoveToEndUnkeyed(HashedKey(key))), holder);
                    model.MoveToEndUnkeyed(key);
                } else if (rng.bounded(2)) {
                    const qint64 position = PickPosition(rng, model.Count());
                    const auto remove = [&] { items.RemoveOrRaise(position, u"here"_s); };
                    CHECK_STEP(Outcome(remove, !model.RemoveAt(position),
                                       ErrorNumbers::SubscriptOutOfRange, u"here"_s));
                } else {
                    const auto remove = [&] { items.RemoveOrRaise(HashedKey(key), u"there"_s); };
                    CHECK_STEP(Outcome(remove, !model.RemoveKey(key), ErrorNumbers::InvalidArgument,
                                       u"there"_s));
                }
                CHECK_STEP(QuickDifference(items, model, key));
                CHECK_STEP(QuickDifference(items, model, pool.Random(rng)));
                CHECK_STEP(QuickDifference(items, model, key + u"/"_s));
                if (rng.bounded(512) == 0 || step % (steps / 20) == 0)
                    CHECK_STEP(Difference(items, model, respell, rng.bounded(2)));
            }
            CHECK_STEP(Difference(items, model, respell, false));
            CHECK_STEP(Difference(items, model, respell, true));
            QVERIFY(items.Find(HashedKey(QString())) == nullptr);
        }
    }

    void keysSharingAProbeRunStayReachableAcrossTombstones() {
        // Keys whose hashes agree in the low byte start probing at the same cell in every
        // table of up to 256 cells, so they sit in one run and each removal leaves a
        // tombstone in front of the others.
        std::vector<QString> run;
        for (int i = 0; run.size() < 14; ++i) {
            const QString key = u"http://host/file%1.zip"_s.arg(i);
            if ((CaseInsensitiveHash(key) & 0xFF) == 0x5A) run.push_back(key);
        }
        const quint32 seed = 7;
        QRandomGenerator rng(seed);
        const auto respell = [&](const QString& key) {
            return rng.bounded(2) ? key.toUpper() : key.toLower();
        };
        Items items;
        Model model;
        int nextId = 0;
        for (int step = 0; step < 20000; ++step) {
            const QString key = respell(run[size_t(rng.bounded(int(run.size())))]);
            switch (rng.bounded(5)) {
            case 0:
            case 1:
                if (model.Find(key) < 0) {
                    items.Append(Item{nextId}, key, HashedKey(key));
                    model.Append(nextId++, key);
                }
                break;
            case 2:
                SAME_AT_STEP(items.RemoveKey(HashedKey(key)), model.RemoveKey(key));
                break;
            case 3:
                SAME_AT_STEP(items.MoveToEndUnkeyed(HashedKey(key)) != nullptr,
                             model.MoveToEndUnkeyed(key));
                break;
            default: {
                const qint64 position = PickPosition(rng, model.Count());
                SAME_AT_STEP(items.RemoveAt(position), model.RemoveAt(position));
            }
            }
            // Displaced items pile up unkeyed; shed them now and then from the back.
            if (model.Count() > 40)
                for (qint64 p = model.Count(); p >= 1; --p)
                    if (model.Order()[size_t(p - 1)].Key.isEmpty())
                        SAME_AT_STEP(items.RemoveAt(p), model.RemoveAt(p));
            for (const QString& other : run)
                CHECK_STEP(QuickDifference(items, model, respell(other)));
            if (step % 64 == 0) CHECK_STEP(Difference(items, model, respell, step % 128 == 0));
        }
    }

    void largeArraysComeFromTheSourceAndAllGoBack() {
        // Enough items for the index and the record blocks to pass the size at which they
        // come from the source; small collections never ask it.
        {
            Items small(Keys(), CountingSource::Source());
            for (int i = 0; i < 500; ++i)
                small.Append(Item{i}, u"k%1"_s.arg(i), HashedKey(u"k%1"_s.arg(i)));
            QCOMPARE(CountingSource::Taken, 0);
        }
        {
            Items items(Keys(), CountingSource::Source());
            LogEntries entries(CountingSource::Source());
            for (int i = 0; i < 120000; ++i) {
                const QString key = u"http://host/%1.zip"_s.arg(i);
                items.Append(Item{i}, key, HashedKey(key));
                if (i % 3 == 0)
                    entries.Add(key, u"f"_s, u"C:\\f"_s, key, 0, 0, u"s"_s, QString(), i);
            }
            QVERIFY(CountingSource::Taken >= 3);
            QVERIFY(CountingSource::LiveBytes >= qint64(3 * BlockAllocator<char>::LargeBytes));
            // Growing gave back what it outgrew, and lookups and positions still agree.
            for (int i = 0; i < 120000; i += 997) {
                const QString key = u"HTTP://HOST/%1.ZIP"_s.arg(i);
                QCOMPARE(IdOf(items.Find(HashedKey(key))), i);
                QCOMPARE(IdOf(items.At(i + 1)), i);
                if (i % 3 == 0) QCOMPARE(IdOf(entries.Item(key)), i);
            }
            items.Clear();
            QCOMPARE(IdOf(items.Find(HashedKey(u"http://host/0.zip"_s))), -1);
            items.Append(Item{7}, u"again"_s, HashedKey(u"again"_s));
            QCOMPARE(IdOf(items.At(1)), 7);
        }
        QCOMPARE(CountingSource::Given, CountingSource::Taken);
        QCOMPARE(CountingSource::LiveBytes, qint64(0));
    }

    void logEntriesDisplaceAndRaiseAsTheModelSays() {
        // A record added under a key in use displaces the holder to the end, unkeyed; the
        // collection key is sKey when one is given, and the record keeps its own Key text.
        const quint32 seed = 11;
        QRandomGenerator rng(seed);
        const KeyPool pool(rng, 3000);
        const auto respell = [&](const QString& key) { return pool.Respell(key, rng); };
        const QString source = u"LogEntries Collection Remove"_s;
        const int steps = 30000;
        LogEntries entries;
        Model model;
        int nextId = 0;
        int step = 0;
        for (; step < steps; ++step) {
            const int roll = rng.bounded(100);
            QString key = pool.Random(rng);
            if (roll < AddPercent(step, steps, 2000, model.Count())) {
                const int id = nextId++;
                QString recordKey = key, sKey;
                if (rng.bounded(10) == 0)
                    recordKey.clear();
                else if (rng.bounded(4) == 0)
                    sKey = pool.Random(rng);
                const QString& filed = sKey.isEmpty() ? recordKey : sKey;
                LogEntry* entry = entries.Add(recordKey, u"f"_s, u"C:\\f"_s, recordKey, 0, 0,
                                              u"s"_s, QString(), id, 0, sKey);
                SAME_AT_STEP(entry->Num(), id);
                SAME_AT_STEP(entry->Key(), recordKey);
                model.MoveToEndUnkeyed(filed);
                model.Append(id, filed);
            } else if (roll < 80) {
                const auto [position, held] = PickHeld(rng, model);
                if (!held.isEmpty() && rng.bounded(2)) {
                    key = respell(held);
                    const auto remove = [&] { entries.Remove(HashedKey(key)); };
                    CHECK_STEP(Outcome(remove, !model.RemoveKey(key), 0, source));
                } else {
                    const auto remove = [&] { entries.Remove(position); };
                    CHECK_STEP(Outcome(remove, !model.RemoveAt(position),
                                       ErrorNumbers::SubscriptOutOfRange, source));
                }
            } else if (roll < 95) {
                const auto remove = [&] { entries.Remove(HashedKey(key)); };
                CHECK_STEP(
                    Outcome(remove, !model.RemoveKey(key), ErrorNumbers::InvalidArgument, source));
            } else {
                const qint64 position = rng.bounded(2) ? 0 : model.Count() + 1;
                CHECK_STEP(Outcome([&] { entries.Item(position); }, true,
                                   ErrorNumbers::SubscriptOutOfRange,
                                   u"LogEntries Collection Get"_s));
            }
            CHECK_STEP(QuickDifference(entries, model, key));
            if (rng.bounded(256) == 0 || step % (steps / 20) == 0)
                CHECK_STEP(Difference(entries, model, respell, rng.bounded(2)));
        }
        CHECK_STEP(Difference(entries, model, respell, true));
    }

    void logCurEntriesRefuseDuplicatesAndRemoveAsTheModelSays() {
        const quint32 seed = 13;
        QRandomGenerator rng(seed);
        const KeyPool pool(rng, 3000);
        const auto respell = [&](const QString& key) { return pool.Respell(key, rng); };
        const QString source = u"LogCurEntries Collection Remove"_s;
        const int steps = 30000;
        LogCurEntries links;
        Model model;
        int nextId = 0;
        int step = 0;
        for (; step < steps; ++step) {
            const int roll = rng.bounded(100);
            QString key = rng.bounded(10) ? pool.Random(rng) : QString();
            if (roll < AddPercent(step, steps, 2000, model.Count())) {
                const QString id = QString::number(nextId);
                // Both ways of adding: with the key's hash worked out by the caller or not.
                LogKeys* added = nullptr;
                const auto add = [&] {
                    added = rng.bounded(2) ? links.Add(id, u"f"_s, u"L"_s, key)
                                           : links.Add(id, u"f"_s, u"L"_s, key, HashedKey(key));
                };
                const bool taken = model.Find(key) >= 0;
                CHECK_STEP(Outcome(add, taken, ErrorNumbers::DuplicateKey, u"LogCurEntries Add"_s));
                if (!taken) {
                    SAME_AT_STEP(IdOf(added), nextId);
                    model.Append(nextId++, key);
                }
            } else if (roll < 80) {
                const auto [position, held] = PickHeld(rng, model);
                if (!held.isEmpty() && rng.bounded(2)) {
                    key = respell(held);
                    const auto remove = [&] { links.Remove(HashedKey(key)); };
                    CHECK_STEP(Outcome(remove, !model.RemoveKey(key), 0, source));
                } else {
                    const auto remove = [&] { links.Remove(position); };
                    CHECK_STEP(Outcome(remove, !model.RemoveAt(position),
                                       ErrorNumbers::SubscriptOutOfRange, source));
                    SAME_AT_STEP(links.Item(model.Count() + 1), nullptr); // misses never raise
                }
            } else if (roll < 90) {
                SAME_AT_STEP(links.TryRemove(HashedKey(key)), model.RemoveKey(key));
            } else {
                const auto remove = [&] { links.Remove(HashedKey(key)); };
                CHECK_STEP(
                    Outcome(remove, !model.RemoveKey(key), ErrorNumbers::InvalidArgument, source));
            }
            CHECK_STEP(QuickDifference(links, model, key));
            if (rng.bounded(256) == 0 || step % (steps / 20) == 0)
                CHECK_STEP(Difference(links, model, respell, rng.bounded(2)));
        }
        CHECK_STEP(Difference(links, model, respell, true));
    }
};

QTEST_APPLESS_MAIN(KeyedCollectionChurnTest)
#include "tst_KeyedCollectionChurn.moc"
