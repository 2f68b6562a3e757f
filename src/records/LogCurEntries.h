#pragma once

#include "records/KeyedCollection.h"
#include "records/LogKeys.h"

#include <memory>

// The downloads open at the current line: file name -> key of the record in the entries.
// The links' texts go to an arena: the one handed in (the records', so that a link can be
// made of its record's texts), or one of the collection's own. Its large arrays come from
// the blocks handed in.
class LogCurEntries {
public:
    explicit LogCurEntries(TextArena* shared = nullptr, BlockSource blocks = BlockSource::Heap());

    // Fails with the duplicate-key error when sKey is already present.
    LogKeys* Add(const QString& Key, const QString& FName, const QString& LogKey,
                 const QString& sKey = QString());
    LogKeys* Add(const QString& Key, const QString& FName, const QString& LogKey,
                 const QString& sKey, const HashedKey& hashedSKey);
    // The pass's way in: a link whose Key, FName and sKey are the record's FName and whose
    // LogKey is the record's Key, read where the record keeps them, in the shared arena.
    // `name` is the record's FName with its hash, under which no link may be filed (the
    // pass has just removed any); the link leads to the record (Link).
    LogKeys* AddFor(const LogEntry& record, const HashedKey& name, size_t logKeyHash);

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
    void RefuseDuplicate(const HashedKey& sKey) const;

    std::unique_ptr<TextArena> m_Own;
    TextArena* m_Arena;
    KeyedCollection<LogKeys, PackedKeys> m_Items;
};
