#pragma once

#include "records/KeyedCollection.h"
#include "records/LogKeys.h"

// The downloads open at the current line: file name -> key of the record in the entries.
class LogCurEntries {
public:
    // Fails with the duplicate-key error when sKey is already present.
    LogKeys* Add(const QString& Key, const QString& FName, const QString& LogKey,
                 const QString& sKey = QString());
    LogKeys* Add(const QString& Key, const QString& FName, const QString& LogKey,
                 const QString& sKey, const HashedKey& hashedSKey);
    // The pass's way in: both keys' hashes worked out once by the caller.
    LogKeys* Add(const QString& Key, const QString& FName, const HashedKey& LogKey,
                 const QString& sKey, const HashedKey& hashedSKey);

    // Null for a missing key, an empty key or a bad position; never raises.
    LogKeys* Item(qint64 position) const { return m_Items.At(position); }
    LogKeys* Item(const HashedKey& key) const { return m_Items.Find(key); }
    LogKeys* Item(const QString& key) const { return m_Items.Find(HashedKey(key)); }

    qint32 Count() const { return m_Items.Count(); }
    void Remove(qint64 position);
    void Remove(const HashedKey& key);
    // Removes the link under key if there is one; says whether there was.
    bool TryRemove(const HashedKey& key) { return m_Items.RemoveKey(key); }

    template <class Visit> void NewEnum(Visit&& visit) const {
        m_Items.ForEach(std::forward<Visit>(visit));
    }

private:
    KeyedCollection<LogKeys> m_Items;
};
