#pragma once

#include "records/KeyIndex.h"
#include "records/LogEntry.h"

#include <QString>

// Link from an open download's file name to the key of its record.
class LogKeys {
public:
    const QString& Key() const { return m_Key; }
    void SetKey(const QString& value) { m_Key = value; }

    QString LogKey() const;
    void SetLogKey(const QString& value);
    // The same, with the key's hash already worked out.
    void SetLogKey(const QString& value, size_t hash);
    // The linked record's key with its hash, worked out once when the link is made.
    HashedKey HashedLogKey() const { return HashedKey(m_LogKey, m_LogKeyHash); }
    QString FName() const;
    void SetFName(const QString& value);

private:
    friend class LogEntries;
    QString m_Key;
    QString m_FName;
    QString m_LogKey;
    size_t m_LogKeyHash = CaseInsensitiveHash(QStringView());
    // The record the link was made with, and that record's filing then (LogEntries::Linked).
    const LogEntry* m_Record = nullptr;
    quint32 m_RecordFiling = 0;
};
