#pragma once

#include "records/TextArena.h"

#include <QString>

// One download as the log tells of it. Counters are 32-bit: they never stop at 16 bits.
// Its texts live in the arena of the collection that made it; each is read as a new string.
class LogEntry {
public:
    QString Key() const { return Read(m_Key); }
    void SetKey(const QString& value) { m_Key = Write(value); }

    qint32 Mirrors() const { return m_Mirrors; }
    void SetMirrors(qint32 value) { m_Mirrors = value; }

    qint32 Num() const { return m_Num; }
    void SetNum(qint32 value) { m_Num = value; }

    QString FName() const { return Read(m_FName); }
    void SetFName(const QString& value) { m_FName = Write(value); }

    QString DateFinished() const;
    void SetDateFinished(const QString& value);
    void SetDateFinished(QStringView value);
    QString DateStarted() const;
    void SetDateStarted(const QString& value);
    qint32 Restarts() const;
    void SetRestarts(qint32 value);
    qint32 Resumes() const;
    void SetResumes(qint32 value);
    QString URL() const;
    void SetURL(const QString& value);
    QString LocalName() const;
    void SetLocalName(const QString& value);

    // The texts appended to out, for a reader that puts them into texts of its own; a
    // failure reads as the property's own does.
    void AppendFName(QString& out) const;
    void AppendURL(QString& out) const;
    void AppendLocalName(QString& out) const;
    void AppendDateStarted(QString& out) const;
    void AppendDateFinished(QString& out) const;
    // The same without widening a Latin-1 text.
    void AppendFName(MixedText& out) const;
    void AppendURL(MixedText& out) const;
    void AppendLocalName(MixedText& out) const;
    void AppendDateStarted(MixedText& out) const;
    void AppendDateFinished(MixedText& out) const;
    // Starts fetching the texts above, for a reader that goes through many records.
    void Foresee() const noexcept;

private:
    friend class LogEntries;
    friend class LogCurEntries;
    QString Read(PackedText text) const { return m_Arena ? m_Arena->Text(text) : QString(); }
    template <class Out> void Append(Out& out, PackedText text, const char* location) const;
    PackedText Write(QStringView value);

    TextArena* m_Arena = nullptr;
    quint32 m_Filing = 0; // which filing under a key this is; 0 while it holds none
    PackedText m_Key;
    PackedText m_LocalName;
    PackedText m_URL;
    PackedText m_DateStarted;
    PackedText m_DateFinished;
    PackedText m_FName;
    qint32 m_Resumes = 0;
    qint32 m_Restarts = 0;
    qint32 m_Num = 0;
    qint32 m_Mirrors = 0;
};
