#pragma once

#include <QString>

// One download as the log tells of it. Counters are 32-bit: they never stop at 16 bits.
class LogEntry {
public:
    const QString& Key() const { return m_Key; }
    void SetKey(const QString& value) { m_Key = value; }

    qint32 Mirrors() const { return m_Mirrors; }
    void SetMirrors(qint32 value) { m_Mirrors = value; }

    qint32 Num() const { return m_Num; }
    void SetNum(qint32 value) { m_Num = value; }

    const QString& FName() const { return m_FName; }
    void SetFName(const QString& value) { m_FName = value; }

    QString DateFinished() const;
    void SetDateFinished(const QString& value);
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

private:
    QString m_Key;
    QString m_LocalName;
    QString m_URL;
    qint32 m_Resumes = 0;
    qint32 m_Restarts = 0;
    QString m_DateStarted;
    QString m_DateFinished;
    QString m_FName;
    qint32 m_Num = 0;
    qint32 m_Mirrors = 0;
};
