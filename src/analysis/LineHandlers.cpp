// The four line handlers of the analysis state, and the test that picks one for a line.
//
// Each is written once for either form of a line: its text, or the bytes the store holds
// (see TextRules.h for why the bytes split where the text does). Positions counted from
// the start of the line are counted in characters; on bytes they hold only while every
// byte before them is ASCII, which the pass makes sure of for the date, time and message
// offset, and each handler for the further characters it skips.
#include "analysis/LineFormat.h"
#include "analysis/LogAnalysis.h"
#include "analysis/TextRules.h"
#include "base/AsciiCase.h"
#include "records/modErrorHandling.h"

#include <limits>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {

// Runs one step of a handler that skips what fails and goes on.
template <class Step> void Skippable(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

template <class View> View NameAfter(View line, qsizetype skip) {
    return TrimBlanks(After(line, skip));
}

// The URL of a "File: " line: cut after the line's first 20 characters, whatever the date
// length, from its first "=" on.
template <class View> View FileLineUrl(View line) {
    const View urlSource = After(line, 20);
    const qsizetype urlEquals = FindAscii(urlSource, "="_L1);
    return TrimBlanks(urlEquals < 0 ? urlSource : urlSource.sliced(urlEquals + 1));
}

// The name of a "Resumed:" line: what lies between the keyword and " at:"; none without it.
template <class View> View ResumedName(View line, int n) {
    const View name = NameAfter(line, n + 9);
    const qsizetype at = FindAscii(name, " at:"_L1);
    return at < 0 ? View() : TrimBlanks(name.first(at));
}

bool EndsWithGetRightSuffix(QStringView path, const LocaleFormats& formats) {
    if (path.size() < 9) return false;
    const QStringView tail = path.last(9);
    if (IsAscii(tail)) return AsciiEqualIgnoringCase(tail, u".GETRIGHT");
    return formats.ToUpper(tail.toString()) == u".GETRIGHT"_s;
}

bool IsAsciiBytes(QByteArrayView bytes) { return AsciiPrefix(bytes, bytes.size()); }

// Whether ASCII bytes are the upper-case text in any case.
bool AsciiEqualsUpper(QByteArrayView bytes, QLatin1StringView upper) {
    if (bytes.size() != upper.size()) return false;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (AsciiUpper(char16_t(bytes[i])) != char16_t(upper.data()[i])) return false;
    return true;
}

// The date, time and message offset at the start of a line (n characters), as text. The
// pass hands the handlers only lines whose first n bytes are ASCII, and those widen as
// they are.
class Head {
public:
    Head(QStringView line, int) : m_View(line) {}
    Head(QByteArrayView line, int n) {
        Q_ASSERT(n <= LineOffset(true) && AsciiPrefix(line, n));
        n = std::min<int>(int(std::min<qsizetype>(line.size(), n)), LineOffset(true));
        for (int i = 0; i < n; ++i)
            m_Units[i] = char16_t(static_cast<unsigned char>(line[i]));
        m_View = QStringView(m_Units, n);
    }
    QStringView View() const { return m_View; }

private:
    char16_t m_Units[24];
    QStringView m_View;
};

// Which handler a line's message calls for: most lines are chatter, which the first
// character tells; it leaves at most two keywords to try, in the order they have always
// been tried in.
template <class View> LineHint::Event EventOf(View message) {
    using Event = LineHint::Event;
    if (message.isEmpty()) return Event::None;
    switch (UnitsOf(message)[0]) {
    case 'F':
        if (StartsWithAscii(message, "File: "_L1)) return Event::File;
        if (StartsWithAscii(message, "Finished downloading"_L1)) return Event::Finished;
        break;
    case 'R':
        if (StartsWithAscii(message, "Resumed:"_L1)) return Event::Resumed;
        break;
    case 'C':
    case '(':
        if (StartsWithAscii(message, "Could not resume (restarting from 0):"_L1) ||
            StartsWithAscii(message, "(Re)Started"_L1))
            return Event::Restart;
        break;
    default:
        break;
    }
    return Event::None;
}

// The text a "Resumed:" line's offset is read from for the log's total: what follows
// "at: " in the message, or without it the message from its 4th character, never a number.
template <class View> View TotalOffsetText(View message) {
    const qsizetype at = FindAscii(message, "at: "_L1);
    return at < 0 ? message.sliced(3) : message.sliced(at + 4);
}

// And for its record: what follows the line's first "at:"; none without it.
template <class View> View RecordOffsetText(View line) {
    const qsizetype at = FindAscii(line, "at:"_L1);
    return at < 0 ? View() : TrimBlanks(line.sliced(at + 3));
}

// The name a restart or "Finished downloading" line finds its download by ("Resumed:"
// lines have ResumedName).
template <class View> View NameAfterKeyword(View line, int n) { return NameAfter(line, n + 22); }

// Whether a restart line counts as a switch of mirror rather than a restart.
template <class View> bool NamesMirror(View line) { return FindAscii(line, "(Re)Started"_L1) >= 0; }

} // namespace

void ForeseeLine(LineHint& hint, QByteArrayView line, bool longDate, const LocaleFormats& formats,
                 std::vector<char16_t>& times, EventDateMemo& dates, bool hashParts) {
    const int n = LineOffset(longDate);
    // The handlers read the bytes themselves only when these are ASCII.
    if (line.size() < n || !AsciiPrefix(line, n)) return;
    const auto note = [&](LineHint::Part& part, QByteArrayView text) {
        if (text.data())
            part = {qint32(text.data() - line.data()), qint32(text.size()),
                    hashParts ? CaseInsensitiveHash(QLatin1StringView(text)) : 0};
    };
    hint.PartsHashed = hashParts;
    const auto noteName = [&](QByteArrayView name) {
        const QByteArrayView file = FileNamePart(name);
        note(hint.Name, file);
        hint.NameIsAscii = IsAsciiBytes(file);
    };
    const QByteArrayView message = TrimBlanks(line.sliced(n));
    hint.Kind = EventOf(message);
    const auto noteTime = [&] {
        const size_t at = times.size();
        if (AppendEventTime(line, longDate, formats, dates, times)) {
            hint.TimeAt = qint32(at);
            hint.TimeSize = qint32(times.size() - at);
            return;
        }
        try {
            thread_local std::vector<char16_t> buffer;
            const QStringView time =
                WriteEventTime(Head(line, n).View(), longDate, formats, buffer);
            hint.TimeAt = qint32(times.size());
            hint.TimeSize = qint32(time.size());
            times.insert(times.end(), time.utf16(), time.utf16() + time.size());
        } catch (const std::exception&) {
            // No time: the pass writes it, and fails, itself.
        }
    };
    switch (hint.Kind) {
    case LineHint::Event::File: {
        const QByteArrayView url = FileLineUrl(line);
        note(hint.Url, url);
        note(hint.Name, FileNamePart(url));
        noteTime();
        break;
    }
    case LineHint::Event::Finished:
        noteName(NameAfterKeyword(line, n));
        noteTime();
        break;
    case LineHint::Event::Resumed: {
        // The handler's three searches, "at:" in the line, " at:" in the name and "at: " in
        // the message, nearly always land on one place: the first is made, the others
        // checked there, and made only where that place does not answer for them.
        const qsizetype at = FindAscii(line, "at:"_L1);
        const auto within = [&](QByteArrayView part, qsizetype from, qsizetype size) {
            const qsizetype start = part.data() ? part.data() - line.data() : -1;
            return at >= 0 && start >= 0 && from >= start && from + size <= start + part.size();
        };
        const QByteArrayView name = NameAfter(line, n + 9);
        noteName(within(name, at - 1, 4) && line[at - 1] == ' '
                     ? TrimBlanks(name.first(at - 1 - (name.data() - line.data())))
                     : ResumedName(line, n));
        const QByteArrayView total = within(message, at, 4) && line[at + 3] == ' '
                                         ? message.sliced(at + 4 - (message.data() - line.data()))
                                         : TotalOffsetText(message);
        const QByteArrayView record = at < 0 ? QByteArrayView() : TrimBlanks(line.sliced(at + 3));
        const auto totalNumber = ReadWholeNumber(total);
        const QByteArrayView trimmedTotal = TrimBlanks(total);
        const auto recordNumber =
            trimmedTotal.data() == record.data() && trimmedTotal.size() == record.size()
                ? totalNumber
                : ReadWholeNumber(record);
        if (totalNumber) {
            hint.TotalOffset = *totalNumber;
            hint.HasTotalOffset = true;
        }
        if (recordNumber) {
            hint.RecordOffset = *recordNumber;
            hint.HasRecordOffset = true;
        }
        break;
    }
    case LineHint::Event::Restart:
        noteName(NameAfterKeyword(line, n));
        // A message that starts with the keyword holds it; otherwise it is looked for.
        hint.Mirror = message.startsWith("(Re)Started") || NamesMirror(line);
        break;
    default:
        break;
    }
}

size_t LogAnalysis::HashOf(QByteArrayView part, LineHint::Part LineHint::*which) const {
    if (m_Hint) {
        const LineHint::Part& hinted = m_Hint->*which;
        if (m_Hint->PartsHashed && part.size() == hinted.Size &&
            part.data() == m_HintLine + hinted.At)
            return hinted.Hash;
    }
    return CaseInsensitiveHash(QLatin1StringView(part));
}

// An ASCII file name is looked up as it stands, which matches its lower-cased form because
// keys ignore case; anything else is lower-cased first.
const LogKeys* LogAnalysis::OpenLink(QStringView name) const {
    const QStringView file = FileNamePart(name);
    return IsAscii(file) ? m_CurEntries.Item(HashedKey(file)) : m_CurEntries.Item(SplitPath(name));
}

template <class View, class Name> const LogKeys* LogAnalysis::NamedLink(View line, Name&& name) {
    // The hint's name is the one name(line) gives, cut to its file name.
    if constexpr (std::is_same_v<View, QByteArrayView>) {
        if (Hinted(line) && m_Hint->NameIsAscii && m_Hint->Name.Size >= 0) {
            const QByteArrayView file = line.sliced(m_Hint->Name.At, m_Hint->Name.Size);
            return m_CurEntries.Item(
                HashedKey(QLatin1StringView(file), HashOf(file, &LineHint::Name)));
        }
    }
    return OpenLink(name(line));
}

QStringView LogAnalysis::EventTime(QByteArrayView line) {
    if (Hinted(line) && m_Hint->TimeSize >= 0 && m_HintTimes)
        return QStringView(m_HintTimes + m_Hint->TimeAt, m_Hint->TimeSize);
    return WriteEventTime(Head(line, LineOffset(m_DateIsLong)).View(), m_DateIsLong, m_Formats,
                          m_Time);
}

const LogKeys* LogAnalysis::OpenLink(QByteArrayView name) {
    const QByteArrayView file = FileNamePart(name);
    if (IsAsciiBytes(file))
        return m_CurEntries.Item(HashedKey(QLatin1StringView(file), HashOf(file, &LineHint::Name)));
    return OpenLink(Text(name));
}

void LogAnalysis::ParseFileLine(QStringView line) { FileLine(line); }
void LogAnalysis::ParseResumedLine(QStringView line) { ResumedLine(line); }
void LogAnalysis::ParseRestartLine(QStringView line) { RestartLine(line); }
void LogAnalysis::ParseFinishedLine(QStringView line) { FinishedLine(line); }
void LogAnalysis::AnalyzeLine(QStringView line, bool dateIsLong) { Analyze(line, dateIsLong); }
void LogAnalysis::AnalyzeLine(QByteArrayView line, bool dateIsLong) { Analyze(line, dateIsLong); }

template <class View> void LogAnalysis::Analyze(View line, bool dateIsLong) {
    m_DateIsLong = dateIsLong;
    const int offset = LineOffset(m_DateIsLong);
    if (line.size() < offset)
        RaiseRuntime(ErrorNumbers::InvalidArgument, u"AnalyzeLog"_s,
                     u"The line is shorter than its date, time and message offset"_s);
    const auto message = [&] { return TrimBlanks(line.sliced(offset)); };
    switch (Hinted(line) ? m_Hint->Kind : EventOf(message())) {
    case LineHint::Event::File:
        FileLine(line);
        break;
    case LineHint::Event::Finished:
        m_TotalCompleted = CheckedAdd(m_TotalCompleted, 1);
        FinishedLine(line);
        break;
    case LineHint::Event::Resumed: {
        m_TotalResumes = CheckedAdd(m_TotalResumes, 1);
        const auto fits = [](const std::optional<qint64>& bytes) {
            return bytes && *bytes >= std::numeric_limits<qint32>::min() &&
                   *bytes <= std::numeric_limits<qint32>::max();
        };
        std::optional<qint64> bytes;
        if (Hinted(line) && m_Hint->HasTotalOffset) bytes = m_Hint->TotalOffset;
        if (!fits(bytes)) {
            const View offsetText = TotalOffsetText(message());
            bytes = ReadWholeNumber(offsetText);
            if (!fits(bytes))
                RaiseRuntime(ErrorNumbers::TypeMismatch, u"AnalyzeLog"_s,
                             u"The resumed offset is not a whole number of bytes: \""_s +
                                 Text(TrimBlanks(offsetText)).toString() + u'"');
        }
        m_KbResumed = RoundHalfEvenToInt32(double(m_KbResumed) + double(*bytes) / 1024.0);
        ResumedLine(line);
        break;
    }
    case LineHint::Event::Restart:
        m_TotalRestarts = CheckedAdd(m_TotalRestarts, 1);
        RestartLine(line);
        break;
    default:
        break;
    }
}

template <class View> void LogAnalysis::FileLine(View line) {
    const int n = LineOffset(m_DateIsLong);
    if (line.size() < n)
        RaiseRuntime(ErrorNumbers::InvalidArgument, u"ParseFileLine"_s,
                     u"The line is shorter than its message offset"_s);
    const View message = line.sliced(n);
    // The local path runs from the blank after "File:" to the first "=".
    const qsizetype equals = FindAscii(message, "="_L1, 5);
    if (equals < 0)
        RaiseRuntime(ErrorNumbers::InvalidArgument, u"ParseFileLine"_s,
                     u"A \"File: \" line without \"=\" between its local path and URL"_s);
    const View local = TrimBlanks(message.sliced(5, equals - 5));
    View urlPart;
    if constexpr (std::is_same_v<View, QByteArrayView>) urlPart = HintedPart(line, &LineHint::Url);
    if (!urlPart.data()) urlPart = FileLineUrl(line);
    if constexpr (std::is_same_v<View, QByteArrayView>)
        if (IsAsciiBytes(urlPart) && m_Formats.PlainAsciiCase())
            return FileLineAscii(line, local, urlPart);

    QString localPath = Text(local).toString();
    if (EndsWithGetRightSuffix(localPath, m_Formats)) localPath.chop(9);
    const QString url = Text(urlPart).toString();

    const QString key = SplitPath(url);
    const HashedKey hashedKey(key);
    m_CurEntries.TryRemove(hashedKey);
    m_TotalFiles = CheckedAdd(m_TotalFiles, 1);

    const QString recordKey = m_Formats.ToUpper(url);
    qint32 num = 0;
    if (LogEntry* earlier = m_Entries.Item(HashedKey(recordKey))) {
        num = earlier->Num();
        earlier->SetKey(QString());
        // A repeated URL's new record carries the earlier one's number plus one.
        num = CheckedAdd(num, 1);
    }
    const QString started = EventTimeText(Head(line, n).View(), m_DateIsLong, m_Formats);
    LogEntry* entry = m_Entries.Add(recordKey, key, localPath, url, -1, 0, started, QString(), num,
                                    -1, QString());
    m_Entries.Link(*m_CurEntries.Add(key, key, entry->Key(), key, hashedKey), *entry);
}

// The same steps as FileLine, in the same order, on the line's own bytes: the record's key
// and file name are its URL in upper and lower case, and only the open link gets strings.
void LogAnalysis::FileLineAscii(QByteArrayView line, QByteArrayView local, QByteArrayView url) {
    QAnyStringView localPath;
    if (IsAsciiBytes(local)) {
        const bool suffix = local.size() >= 9 && AsciiEqualsUpper(local.last(9), ".GETRIGHT"_L1);
        localPath = QLatin1StringView(suffix ? local.chopped(9) : local);
    } else {
        QStringView text = Text(local);
        if (EndsWithGetRightSuffix(text, m_Formats)) text.chop(9);
        localPath = text;
    }

    QByteArrayView name = HintedPart(line, &LineHint::Name);
    if (!name.data()) name = FileNamePart(url);
    // The link's key is the lower-cased name; keys ignore letter case, so the name finds
    // it as the line spells it.
    const HashedKey hashedKey(QLatin1StringView(name), HashOf(name, &LineHint::Name));
    m_CurEntries.TryRemove(hashedKey);
    m_TotalFiles = CheckedAdd(m_TotalFiles, 1);

    // The record's key is the URL in upper case: the URL finds what that key would.
    const HashedKey urlKey(QLatin1StringView(url), HashOf(url, &LineHint::Url));
    qint32 num = 0;
    if (LogEntry* earlier = m_Entries.Item(urlKey)) {
        num = earlier->Num();
        earlier->SetKey(QString());
        num = CheckedAdd(num, 1);
    }
    const QStringView started = EventTime(line);
    const LogEntry* entry =
        m_Entries.AddByUrl(urlKey, QLatin1StringView(url), url.size() - name.size(), localPath,
                           started, -1, 0, num, -1);
    // The link's texts are the record's own: its file name, and its key, which hashes as
    // the URL does.
    m_CurEntries.AddFor(*entry, hashedKey, urlKey.Hash());
}

template <class View> void LogAnalysis::ResumedLine(View line) {
    const int n = LineOffset(m_DateIsLong);
    // Characters before the name counted as bytes must be ASCII.
    if constexpr (std::is_same_v<View, QByteArrayView>)
        if (!AsciiPrefix(line, n + 9)) return ResumedLine(Decoded(line));
    const LogKeys* link = NamedLink(line, [n](View l) { return ResumedName(l, n); });
    if (!link) return;
    LogEntry* entry = m_Entries.Linked(*link);
    if (!entry) return;
    Skippable([&] { entry->SetResumes(CheckedAdd(entry->Resumes(), 1)); });
    Skippable([&] {
        std::optional<qint64> bytes;
        if (!Hinted(line))
            bytes = ReadWholeNumber(RecordOffsetText(line));
        else if (m_Hint->HasRecordOffset)
            bytes = m_Hint->RecordOffset;
        if (!bytes)
            RaiseRuntime(ErrorNumbers::TypeMismatch, u"ParseResumedLine"_s, u"Type mismatch"_s);
        entry->SetNum(RoundHalfEvenToInt32(double(entry->Num()) + double(*bytes) / 1024.0));
    });
}

template <class View> void LogAnalysis::RestartLine(View line) {
    const int n = LineOffset(m_DateIsLong);
    // Characters before the name counted as bytes must be ASCII.
    if constexpr (std::is_same_v<View, QByteArrayView>)
        if (!AsciiPrefix(line, n + 22)) return RestartLine(Decoded(line));
    const LogKeys* link = NamedLink(line, [n](View l) { return NameAfterKeyword(l, n); });
    if (!link) return;
    LogEntry* entry = m_Entries.Linked(*link);
    if (!entry) return;
    Skippable([&] {
        if (Hinted(line) ? m_Hint->Mirror : NamesMirror(line))
            entry->SetMirrors(CheckedAdd(entry->Mirrors(), 1));
        else
            entry->SetRestarts(CheckedAdd(entry->Restarts(), 1));
    });
}

template <class View> void LogAnalysis::FinishedLine(View line) {
    const int n = LineOffset(m_DateIsLong);
    // Characters before the name counted as bytes must be ASCII.
    if constexpr (std::is_same_v<View, QByteArrayView>)
        if (!AsciiPrefix(line, n + 22)) return FinishedLine(Decoded(line));
    const LogKeys* link = NamedLink(line, [n](View l) { return NameAfterKeyword(l, n); });
    if (!link) return;
    if (LogEntry* entry = m_Entries.Linked(*link))
        Skippable([&] {
            if constexpr (std::is_same_v<View, QByteArrayView>)
                entry->SetDateFinished(EventTime(line));
            else
                entry->SetDateFinished(
                    WriteEventTime(Head(line, n).View(), m_DateIsLong, m_Formats, m_Time));
        });
    // The link is filed under its own key, which outlives the link where it is kept.
    const HashedKey key = link->HashedOwnKey();
    Skippable([&] { m_CurEntries.Remove(key); });
}
