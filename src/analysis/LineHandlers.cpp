// The four line handlers of the analysis state.
#include "analysis/LineFormat.h"
#include "analysis/LogAnalysis.h"
#include "analysis/TextRules.h"
#include "base/AsciiCase.h"
#include "records/modErrorHandling.h"

using namespace Qt::StringLiterals;

namespace {

// Runs one step of a handler that skips what fails and goes on.
template <class Step> void Skippable(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

QStringView NameAfter(QStringView line, qsizetype skip) { return TrimBlanks(After(line, skip)); }

// The open download a name refers to. An ASCII file name is looked up as it stands, which
// matches its lower-cased form because keys ignore case; anything else is lower-cased first.
LogKeys* OpenLink(const LogCurEntries& links, QStringView name) {
    const QStringView file = FileNamePart(name);
    return IsAscii(file) ? links.Item(HashedKey(file)) : links.Item(SplitPath(name));
}

bool EndsWithGetRightSuffix(const QString& path, const LocaleFormats& formats) {
    if (path.size() < 9) return false;
    const QStringView tail = QStringView(path).last(9);
    if (IsAscii(tail)) return AsciiEqualIgnoringCase(tail, u".GETRIGHT");
    return formats.ToUpper(tail.toString()) == u".GETRIGHT"_s;
}

} // namespace

void LogAnalysis::ParseFileLine(QStringView line) {
    const int n = LineOffset(m_DateIsLong);
    if (line.size() < n)
        RaiseRuntime(ErrorNumbers::InvalidArgument, u"ParseFileLine"_s,
                     u"The line is shorter than its message offset"_s);
    const QStringView message = line.sliced(n);
    // The local path runs from the blank after "File:" to the first "=".
    const qsizetype equals = FindAscii(message, u"=", 5);
    if (equals < 0)
        RaiseRuntime(ErrorNumbers::InvalidArgument, u"ParseFileLine"_s,
                     u"A \"File: \" line without \"=\" between its local path and URL"_s);
    QString localPath = TrimBlanks(message.sliced(5, equals - 5)).toString();
    if (EndsWithGetRightSuffix(localPath, m_Formats)) localPath.chop(9);

    // The URL is cut from the line after its first 20 characters, whatever the date length.
    const QStringView urlSource = After(line, 20);
    const qsizetype urlEquals = FindAscii(urlSource, u"=");
    const QString url =
        TrimBlanks(urlEquals < 0 ? urlSource : urlSource.sliced(urlEquals + 1)).toString();

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
    const QString started = EventTimeText(line, m_DateIsLong, m_Formats);
    LogEntry* entry = m_Entries.Add(recordKey, key, localPath, url, -1, 0, started, QString(), num,
                                    -1, QString());
    m_CurEntries.Add(key, key, entry->Key(), key, hashedKey);
}

void LogAnalysis::ParseResumedLine(QStringView line) {
    const int n = LineOffset(m_DateIsLong);
    QStringView name = NameAfter(line, n + 9);
    const qsizetype at = FindAscii(name, u" at:");
    name = at < 0 ? QStringView() : TrimBlanks(name.first(at));
    const qsizetype offsetAt = FindAscii(line, u"at:");
    const QStringView offsetText =
        offsetAt < 0 ? QStringView() : TrimBlanks(line.sliced(offsetAt + 3));

    const LogKeys* link = OpenLink(m_CurEntries, name);
    if (!link) return;
    LogEntry* entry = m_Entries.Item(link->HashedLogKey());
    if (!entry) return;
    Skippable([&] { entry->SetResumes(CheckedAdd(entry->Resumes(), 1)); });
    Skippable([&] {
        const auto bytes = ReadWholeNumber(offsetText);
        if (!bytes)
            RaiseRuntime(ErrorNumbers::TypeMismatch, u"ParseResumedLine"_s, u"Type mismatch"_s);
        entry->SetNum(RoundHalfEvenToInt32(double(entry->Num()) + double(*bytes) / 1024.0));
    });
}

void LogAnalysis::ParseRestartLine(QStringView line) {
    const LogKeys* link = OpenLink(m_CurEntries, NameAfter(line, LineOffset(m_DateIsLong) + 22));
    if (!link) return;
    LogEntry* entry = m_Entries.Item(link->HashedLogKey());
    if (!entry) return;
    Skippable([&] {
        if (FindAscii(line, u"(Re)Started") >= 0)
            entry->SetMirrors(CheckedAdd(entry->Mirrors(), 1));
        else
            entry->SetRestarts(CheckedAdd(entry->Restarts(), 1));
    });
}

void LogAnalysis::ParseFinishedLine(QStringView line) {
    const LogKeys* link = OpenLink(m_CurEntries, NameAfter(line, LineOffset(m_DateIsLong) + 22));
    if (!link) return;
    if (LogEntry* entry = m_Entries.Item(link->HashedLogKey()))
        Skippable([&] { entry->SetDateFinished(EventTimeText(line, m_DateIsLong, m_Formats)); });
    // The link is filed under its own key; take a copy, as removal frees the link.
    const QString key = link->Key();
    Skippable([&] { m_CurEntries.Remove(HashedKey(key)); });
}
