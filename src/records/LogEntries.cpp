#include "records/LogEntries.h"

#include "records/modErrorHandling.h"

using namespace Qt::StringLiterals;

LogEntry* LogEntries::Add(const QString& Key, const QString& FName, const QString& LocalPath,
                          const QString& URL, qint32 Resumes, qint32 Restarts,
                          const QString& DateStarted, const QString& DateFinished, qint32 Num,
                          qint32 Mirrors, const QString& sKey) {
    auto entry = std::make_unique<LogEntry>();
    entry->SetKey(Key);
    entry->SetFName(FName);
    entry->SetLocalName(LocalPath);
    entry->SetURL(URL);
    entry->SetResumes(Resumes);
    entry->SetRestarts(Restarts);
    entry->SetDateStarted(DateStarted);
    entry->SetDateFinished(DateFinished);
    entry->SetNum(Num);
    entry->SetMirrors(Mirrors);

    const QString& collectionKey = sKey.isEmpty() ? Key : sKey;
    const HashedKey hashed(collectionKey);
    // The earlier holder of the key stays in the collection, at the end and unkeyed.
    m_Items.MoveToEndUnkeyed(hashed);
    return m_Items.Append(std::move(entry), collectionKey, hashed);
}

LogEntry* LogEntries::Item(qint64 position) const {
    LogEntry* entry = m_Items.At(position);
    if (!entry)
        RaiseRuntime(ErrorNumbers::SubscriptOutOfRange, u"LogEntries Collection Get"_s,
                     u"Subscript out of range"_s);
    return entry;
}

void LogEntries::Remove(qint64 position) {
    m_Items.RemoveOrRaise(position, u"LogEntries Collection Remove"_s);
}

void LogEntries::Remove(const HashedKey& key) {
    m_Items.RemoveOrRaise(key, u"LogEntries Collection Remove"_s);
}
