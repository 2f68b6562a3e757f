#include "records/LogEntry.h"

#include "records/modErrorHandling.h"

#include <stdexcept>

PackedText LogEntry::Write(QStringView value) {
    if (!m_Arena) throw std::logic_error("a record outside its collection");
    return m_Arena->Add(value);
}

template <class Out> void LogEntry::Append(Out& out, PackedText text, const char* location) const {
    TrapAccessor(location, [&] {
        if (m_Arena) m_Arena->AppendTo(out, text);
    });
}
// As FName() does, without a trap.
void LogEntry::AppendFName(QString& out) const {
    if (m_Arena) m_Arena->AppendTo(out, m_FName);
}
void LogEntry::AppendFName(MixedText& out) const {
    if (m_Arena) m_Arena->AppendTo(out, m_FName);
}

namespace {
constexpr const char* UrlGet = "LogEntry:URL Property Get";
constexpr const char* LocalNameGet = "LogEntry:LocalName Property Get";
constexpr const char* DateStartedGet = "LogEntry:DateStarted Property Get";
constexpr const char* DateFinishedGet = "LogEntry:DateFinished Property Get";
} // namespace

void LogEntry::Foresee() const noexcept {
    if (!m_Arena) return;
    for (const PackedText text : {m_FName, m_URL, m_LocalName, m_DateStarted, m_DateFinished})
        m_Arena->Foresee(text);
}

void LogEntry::AppendURL(QString& out) const { Append(out, m_URL, UrlGet); }
void LogEntry::AppendURL(MixedText& out) const { Append(out, m_URL, UrlGet); }
void LogEntry::AppendLocalName(QString& out) const { Append(out, m_LocalName, LocalNameGet); }
void LogEntry::AppendLocalName(MixedText& out) const { Append(out, m_LocalName, LocalNameGet); }
void LogEntry::AppendDateStarted(QString& out) const { Append(out, m_DateStarted, DateStartedGet); }
void LogEntry::AppendDateStarted(MixedText& out) const {
    Append(out, m_DateStarted, DateStartedGet);
}
void LogEntry::AppendDateFinished(QString& out) const {
    Append(out, m_DateFinished, DateFinishedGet);
}
void LogEntry::AppendDateFinished(MixedText& out) const {
    Append(out, m_DateFinished, DateFinishedGet);
}

QString LogEntry::DateFinished() const {
    QString out;
    AppendDateFinished(out);
    return out;
}
void LogEntry::SetDateFinished(const QString& value) { SetDateFinished(QStringView(value)); }
void LogEntry::SetDateFinished(QStringView value) {
    TrapAccessor("LogEntry:DateFinished Property Let", [&] { m_DateFinished = Write(value); });
}
QString LogEntry::DateStarted() const {
    QString out;
    AppendDateStarted(out);
    return out;
}
void LogEntry::SetDateStarted(const QString& value) {
    TrapAccessor("LogEntry:DateStarted Property Let", [&] { m_DateStarted = Write(value); });
}
qint32 LogEntry::Restarts() const {
    return TrapAccessor("LogEntry:Restarts Property Get", [&] { return m_Restarts; });
}
void LogEntry::SetRestarts(qint32 value) {
    TrapAccessor("LogEntry:Restarts Property Let", [&] { m_Restarts = value; });
}
qint32 LogEntry::Resumes() const {
    return TrapAccessor("LogEntry:Resumes Property Get", [&] { return m_Resumes; });
}
void LogEntry::SetResumes(qint32 value) {
    TrapAccessor("LogEntry:Resumes Property Let", [&] { m_Resumes = value; });
}
QString LogEntry::URL() const {
    QString out;
    AppendURL(out);
    return out;
}
void LogEntry::SetURL(const QString& value) {
    TrapAccessor("LogEntry:URL Property Let", [&] { m_URL = Write(value); });
}
QString LogEntry::LocalName() const {
    QString out;
    AppendLocalName(out);
    return out;
}
void LogEntry::SetLocalName(const QString& value) {
    TrapAccessor("LogEntry:LocalName Property Let", [&] { m_LocalName = Write(value); });
}
