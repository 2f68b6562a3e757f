#pragma once

#include "records/KeyedCollection.h"
#include "records/LogEntry.h"
#include "records/LogKeys.h"

#include <QAnyStringView>

#include <memory>

// The records of the loaded log, in the order of their "File: " lines. A record added
// under a key already in use displaces the earlier one to the end, without a key. The
// records' texts are packed in one arena that the collection owns; its chunks, and the
// collection's large arrays, come from the source handed in.
class LogEntries {
public:
    explicit LogEntries(BlockSource chunks = BlockSource::Heap());

    LogEntry* Add(const QString& Key, const QString& FName, const QString& LocalName,
                  const QString& URL, qint32 Resumes, qint32 Restarts, const QString& DateStarted,
                  const QString& DateFinished, qint32 Num = 0, qint32 Mirrors = 0,
                  const QString& sKey = QString());

    // The pass's way in: a record whose Key is its URL in upper case and whose FName is the
    // URL from nameFrom on in lower case, the URL being ASCII. It is filed under its Key,
    // whose hash the caller has worked out (from the URL, which hashes alike).
    LogEntry* AddByUrl(const HashedKey& key, QLatin1StringView URL, qsizetype nameFrom,
                       QAnyStringView LocalName, QStringView DateStarted, qint32 Resumes,
                       qint32 Restarts, qint32 Num, qint32 Mirrors);

    // The record a link leads to: the one its LogKey finds. A link remembers the record it
    // was made with (see Link), and while that record holds its key it is the one the key
    // finds, as a key is filed once; then no lookup is needed. The link must not outlive
    // the records it was made among.
    LogEntry* Linked(const LogKeys& link) const;
    // Notes the record a link was made with; the link's LogKey is the key it is filed under.
    void Link(LogKeys& link, const LogEntry& record) const;

    // By 1-based position: a position out of range raises with source
    // "LogEntries Collection Get".
    LogEntry* Item(qint64 position) const;
    // For a reader that goes through the records in order, once Settle has closed the
    // gaps: starts fetching the record at position, and the texts of the one at nearer,
    // which it can reach only once that record itself has come. Positions out of range
    // fetch nothing.
    void Foresee(qint64 position, qint64 nearer) const noexcept;
    // By key: null when no record holds it.
    LogEntry* Item(const HashedKey& key) const { return m_Items.Find(key); }
    LogEntry* Item(const QString& key) const { return m_Items.Find(HashedKey(key)); }

    qint32 Count() const { return m_Items.Count(); }
    // After this, and until the next change, Item by position only reads: other threads
    // may call it.
    void Settle() const { m_Items.Settle(); }
    // Where the records' texts are kept, for the links to them (LogCurEntries) to share.
    TextArena& Arena() const { return *m_Arena; }
    void Remove(qint64 position);
    void Remove(const HashedKey& key);

    template <class Visit> void NewEnum(Visit&& visit) const {
        m_Items.ForEach(std::forward<Visit>(visit));
    }

private:
    LogEntry* Insert(LogEntry entry, PackedText filed, const HashedKey& hashed);

    // On the heap, so that the records' pointers to it survive a move of the collection.
    std::unique_ptr<TextArena> m_Arena;
    KeyedCollection<LogEntry, PackedKeys> m_Items;
    quint32 m_Filings = 0;
};
