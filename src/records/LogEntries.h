#pragma once

#include "records/KeyedCollection.h"
#include "records/LogEntry.h"

// The records of the loaded log, in the order of their "File: " lines. A record added
// under a key already in use displaces the earlier one to the end, without a key.
class LogEntries {
public:
    LogEntry* Add(const QString& Key, const QString& FName, const QString& LocalPath,
                  const QString& URL, qint32 Resumes, qint32 Restarts, const QString& DateStarted,
                  const QString& DateFinished, qint32 Num = 0, qint32 Mirrors = 0,
                  const QString& sKey = QString());

    // By 1-based position: a position out of range raises with source
    // "LogEntries Collection Get".
    LogEntry* Item(qint64 position) const;
    // By key: null when no record holds it.
    LogEntry* Item(const HashedKey& key) const { return m_Items.Find(key); }
    LogEntry* Item(const QString& key) const { return m_Items.Find(HashedKey(key)); }

    qint32 Count() const { return m_Items.Count(); }
    void Remove(qint64 position);
    void Remove(const HashedKey& key);

    template <class Visit> void NewEnum(Visit&& visit) const {
        m_Items.ForEach(std::forward<Visit>(visit));
    }

private:
    KeyedCollection<LogEntry> m_Items;
};
