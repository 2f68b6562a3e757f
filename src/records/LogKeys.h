#pragma once

#include "records/KeyIndex.h"
#include "records/LogEntry.h"

#include <QString>

// Link from an open download's file name to the key of its record. Its texts live in the
// arena of the collection that made it, which in the analysis is the records' own: the pass
// links a record by its texts there and copies nothing.
class LogKeys {
public:
    QString Key() const;
    void SetKey(const QString& value);
    // The link's own key with its hash, read where it is kept: good after the link is gone.
    HashedKey HashedOwnKey() const { return Hashed(m_Key, m_KeyHash); }

    QString LogKey() const;
    void SetLogKey(const QString& value);
    // The same, with the key's hash already worked out.
    void SetLogKey(const QString& value, size_t hash);
    // The linked record's key with its hash, worked out once when the link is made.
    HashedKey HashedLogKey() const { return Hashed(m_LogKey, m_LogKeyHash); }
    QString FName() const;
    void SetFName(const QString& value);

private:
    friend class LogEntries;
    friend class LogCurEntries;
    HashedKey Hashed(PackedText text, size_t hash) const;
    QString Read(PackedText text) const { return m_Arena ? m_Arena->Text(text) : QString(); }
    PackedText Write(const QString& value);

    TextArena* m_Arena = nullptr;
    PackedText m_Key;
    PackedText m_FName;
    PackedText m_LogKey;
    size_t m_KeyHash = CaseInsensitiveHash(QStringView());
    size_t m_LogKeyHash = CaseInsensitiveHash(QStringView());
    // The record the link was made with, and that record's filing then (LogEntries::Linked).
    const LogEntry* m_Record = nullptr;
    quint32 m_RecordFiling = 0;
};
