#include "records/LogCurEntries.h"

#include "records/modErrorHandling.h"

using namespace Qt::StringLiterals;

LogKeys* LogCurEntries::Add(const QString& Key, const QString& FName, const QString& LogKey,
                            const QString& sKey) {
    return Add(Key, FName, LogKey, sKey, HashedKey(sKey));
}

LogKeys* LogCurEntries::Add(const QString& Key, const QString& FName, const QString& LogKey,
                            const QString& sKey, const HashedKey& hashedSKey) {
    if (m_Items.ContainsKey(hashedSKey))
        RaiseRuntime(ErrorNumbers::DuplicateKey, u"LogCurEntries Add"_s,
                     u"This key is already associated with an element of this collection"_s);
    LogKeys link;
    link.SetKey(Key);
    link.SetFName(FName);
    link.SetLogKey(LogKey);
    return m_Items.Append(std::move(link), sKey, hashedSKey);
}

LogKeys* LogCurEntries::Add(const QString& Key, const QString& FName, const HashedKey& LogKey,
                            const QString& sKey, const HashedKey& hashedSKey) {
    if (m_Items.ContainsKey(hashedSKey))
        RaiseRuntime(ErrorNumbers::DuplicateKey, u"LogCurEntries Add"_s,
                     u"This key is already associated with an element of this collection"_s);
    LogKeys link;
    link.SetKey(Key);
    link.SetFName(FName);
    link.SetLogKey(LogKey.IsLatin1() ? QString(LogKey.Latin1()) : LogKey.Text().toString(),
                   LogKey.Hash());
    return m_Items.Append(std::move(link), sKey, hashedSKey);
}

void LogCurEntries::Remove(qint64 position) {
    m_Items.RemoveOrRaise(position, u"LogCurEntries Collection Remove"_s);
}

void LogCurEntries::Remove(const HashedKey& key) {
    m_Items.RemoveOrRaise(key, u"LogCurEntries Collection Remove"_s);
}
