#include "records/LogEntries.h"

#include "base/AsciiCase.h"
#include "records/modErrorHandling.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace {

// Whether text is source from `from` on with each character mapped; only ASCII maps.
template <char16_t (*Map)(char16_t) noexcept>
bool Maps(QStringView text, QLatin1StringView source, qsizetype from) {
    if (from < 0 || from + text.size() > source.size()) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(source.data()) + from;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].unicode() != Map(char16_t(bytes[i]))) return false;
    return true;
}

bool AsciiOnly(QLatin1StringView text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

} // namespace

LogEntries::LogEntries(BlockSource chunks)
    : m_Arena(std::make_unique<TextArena>(chunks)), m_Items(PackedKeys{m_Arena.get()}, chunks) {}

LogEntry* LogEntries::Insert(LogEntry entry, PackedText filed, const HashedKey& hashed) {
    // The earlier holder of the key stays in the collection, at the end and unkeyed.
    if (LogEntry* earlier = m_Items.MoveToEndUnkeyed(hashed)) earlier->m_Filing = 0;
    LogEntry* added = m_Items.Append(std::move(entry), filed, hashed);
    if (!filed.IsEmpty() && m_Filings < std::numeric_limits<quint32>::max())
        added->m_Filing = ++m_Filings;
    return added;
}

LogEntry* LogEntries::Add(const QString& Key, const QString& FName, const QString& LocalName,
                          const QString& URL, qint32 Resumes, qint32 Restarts,
                          const QString& DateStarted, const QString& DateFinished, qint32 Num,
                          qint32 Mirrors, const QString& sKey) {
    TextArena& arena = *m_Arena;
    LogEntry entry;
    entry.m_Arena = &arena;
    entry.m_URL = arena.Add(QStringView(URL));
    // A key and file name that are the URL's own characters in upper case, and the lower-
    // cased end of it, are read from the URL's bytes and take no room of their own.
    const QLatin1StringView url = arena.Latin1(entry.m_URL);
    const bool asciiUrl = arena.IsLatin1(entry.m_URL) && AsciiOnly(url);
    if (asciiUrl && Key.size() == url.size() && Maps<AsciiUpper>(Key, url, 0))
        entry.m_Key = TextArena::CasedPart(entry.m_URL, 0, url.size(), PackedText::Form::Upper);
    else
        entry.m_Key = arena.Add(QStringView(Key));
    const qsizetype nameFrom = url.size() - FName.size();
    if (asciiUrl && Maps<AsciiLower>(FName, url, nameFrom))
        entry.m_FName =
            TextArena::CasedPart(entry.m_URL, nameFrom, FName.size(), PackedText::Form::Lower);
    else
        entry.m_FName = arena.Add(QStringView(FName));
    entry.m_LocalName = arena.Add(QStringView(LocalName));
    entry.m_DateStarted = arena.Add(QStringView(DateStarted));
    entry.m_DateFinished = arena.Add(QStringView(DateFinished));
    entry.m_Resumes = Resumes;
    entry.m_Restarts = Restarts;
    entry.m_Num = Num;
    entry.m_Mirrors = Mirrors;
    const bool own = sKey.isEmpty();
    const PackedText filed = own ? entry.m_Key : arena.Add(QStringView(sKey));
    return Insert(std::move(entry), filed, HashedKey(own ? Key : sKey));
}

LogEntry* LogEntries::AddByUrl(const HashedKey& key, QLatin1StringView URL, qsizetype nameFrom,
                               QAnyStringView LocalName, QStringView DateStarted, qint32 Resumes,
                               qint32 Restarts, qint32 Num, qint32 Mirrors) {
    TextArena& arena = *m_Arena;
    LogEntry entry;
    entry.m_Arena = &arena;
    entry.m_URL = arena.Add(URL);
    if (arena.IsLatin1(entry.m_URL)) {
        entry.m_Key = TextArena::CasedPart(entry.m_URL, 0, URL.size(), PackedText::Form::Upper);
        entry.m_FName = TextArena::CasedPart(entry.m_URL, nameFrom, URL.size() - nameFrom,
                                             PackedText::Form::Lower);
    } else { // too long to pack: the texts are kept as made
        QString upper, lower;
        AsciiToUpper(QString(URL), upper);
        AsciiToLower(QString(URL.sliced(nameFrom)), lower);
        entry.m_Key = arena.Add(QStringView(upper));
        entry.m_FName = arena.Add(QStringView(lower));
    }
    entry.m_LocalName = LocalName.visit([&](auto text) {
        if constexpr (std::is_same_v<decltype(text), QUtf8StringView>)
            return arena.Add(QStringView(QString::fromUtf8(text)));
        else
            return arena.Add(text);
    });
    entry.m_DateStarted = arena.Add(DateStarted);
    entry.m_Resumes = Resumes;
    entry.m_Restarts = Restarts;
    entry.m_Num = Num;
    entry.m_Mirrors = Mirrors;
    const PackedText filed = entry.m_Key;
    return Insert(std::move(entry), filed, key);
}

LogEntry* LogEntries::Linked(const LogKeys& link) const {
    const LogEntry* record = link.m_Record;
    if (record && record->m_Filing != 0 && record->m_Filing == link.m_RecordFiling)
        return const_cast<LogEntry*>(record); // the collection's own record
    return Item(link.HashedLogKey());
}

void LogEntries::Link(LogKeys& link, const LogEntry& record) const {
    link.m_Record = &record;
    link.m_RecordFiling = record.m_Filing;
}

void LogEntries::Foresee(qint64 position, qint64 nearer) const noexcept {
    if (position >= 1 && position <= Count()) __builtin_prefetch(m_Items.At(position));
    if (nearer >= 1 && nearer <= Count()) m_Items.At(nearer)->Foresee();
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
