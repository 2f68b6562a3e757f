#include "records/LogCurEntries.h"

#include "records/modErrorHandling.h"

using namespace Qt::StringLiterals;

LogCurEntries::LogCurEntries(TextArena* shared, BlockSource blocks)
    : m_Own(shared ? nullptr : std::make_unique<TextArena>()),
      m_Arena(shared ? shared : m_Own.get()), m_Items(PackedKeys{m_Arena}, blocks) {}

void LogCurEntries::RefuseDuplicate(const HashedKey& sKey) const {
    if (m_Items.ContainsKey(sKey))
        RaiseRuntime(ErrorNumbers::DuplicateKey, u"LogCurEntries Add"_s,
                     u"This key is already associated with an element of this collection"_s);
}

LogKeys* LogCurEntries::Add(const QString& Key, const QString& FName, const QString& LogKey,
                            const QString& sKey) {
    return Add(Key, FName, LogKey, sKey, HashedKey(sKey));
}

LogKeys* LogCurEntries::Add(const QString& Key, const QString& FName, const QString& LogKey,
                            const QString& sKey, const HashedKey& hashedSKey) {
    RefuseDuplicate(hashedSKey);
    LogKeys link;
    link.m_Arena = m_Arena;
    link.SetKey(Key);
    link.SetFName(FName);
    link.SetLogKey(LogKey);
    const PackedText filed = sKey.isEmpty() ? PackedText() : m_Arena->Add(QStringView(sKey));
    return m_Items.Append(std::move(link), filed, hashedSKey);
}

LogKeys* LogCurEntries::AddFor(const LogEntry& record, const HashedKey& name, size_t logKeyHash) {
    Q_ASSERT(record.m_Arena == m_Arena);
    Q_ASSERT(!m_Items.ContainsKey(name));
    LogKeys link;
    link.m_Arena = m_Arena;
    link.m_Key = link.m_FName = record.m_FName;
    link.m_KeyHash = name.Hash();
    link.m_LogKey = record.m_Key;
    link.m_LogKeyHash = logKeyHash;
    link.m_Record = &record;
    link.m_RecordFiling = record.m_Filing;
    return m_Items.Append(std::move(link), record.m_FName, name);
}

void LogCurEntries::Remove(qint64 position) {
    m_Items.RemoveOrRaise(position, u"LogCurEntries Collection Remove"_s);
}

void LogCurEntries::Remove(const HashedKey& key) {
    m_Items.RemoveOrRaise(key, u"LogCurEntries Collection Remove"_s);
}
