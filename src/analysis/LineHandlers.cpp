// The four line handlers of the analysis state.
#include "analysis/LineFormat.h"
#include "analysis/LogAnalysis.h"
#include "analysis/TextRules.h"
#include "records/modErrorHandling.h"

using namespace Qt::StringLiterals;

namespace {

// Runs one step of a handler that skips what fails and goes on.
template <class Step>
void Skippable(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

QString NameAfter(QStringView line, qsizetype skip) { return TrimBlanks(After(line, skip)).toString(); }

} // namespace

void LogAnalysis::ParseFileLine(QStringView line) {
    const int n = LineOffset(DateIsLong);
    if (line.size() < n)
        RaiseRuntime(ErrorNumbers::InvalidArgument, u"ParseFileLine"_s,
                     u"The line is shorter than its message offset"_s);
    const QStringView message = line.sliced(n);
    // The local path runs from the blank after "File:" to the first "=".
    const qsizetype equals = message.size() > 5 ? message.indexOf(u'=', 5) : -1;
    if (equals < 0)
        RaiseRuntime(ErrorNumbers::InvalidArgument, u"ParseFileLine"_s,
                     u"A \"File: \" line without \"=\" between its local path and URL"_s);
    QString localPath = TrimBlanks(message.sliced(5, equals - 5)).toString();
    if (localPath.size() >= 9 && m_Formats.ToUpper(localPath.right(9)) == u".GETRIGHT"_s)
        localPath.chop(9);

    // The URL is cut from the line after its first 20 characters, whatever the date length.
    const QStringView urlSource = After(line, 20);
    const qsizetype urlEquals = urlSource.indexOf(u'=');
    const QString url = TrimBlanks(urlEquals < 0 ? urlSource : urlSource.sliced(urlEquals + 1)).toString();

    const QString key = SplitPath(url);
    if (CurEntries.Item(key))
        CurEntries.Remove(key);
    TotalFiles = CheckedAdd(TotalFiles, 1);

    const QString recordKey = m_Formats.ToUpper(url);
    qint32 num = 0;
    if (LogEntry* earlier = Entries.Item(recordKey)) {
        num = earlier->Num();
        earlier->SetKey(QString());
        // A repeated URL's new record carries the earlier one's number plus one.
        num = CheckedAdd(num, 1);
    }
    const QString started = EventTimeText(line, DateIsLong, m_Formats);
    LogEntry* entry = Entries.Add(recordKey, key, localPath, url, -1, 0, started, QString(), num,
                                  -1, QString());
    CurEntries.Add(key, key, entry->Key(), key);
}

void LogAnalysis::ParseResumedLine(QStringView line) {
    const int n = LineOffset(DateIsLong);
    QString name = NameAfter(line, n + 9);
    const qsizetype at = name.indexOf(u" at:"_s);
    name = at < 0 ? QString() : TrimBlanks(QStringView(name).first(at)).toString();
    const qsizetype offsetAt = line.indexOf(u"at:");
    const QStringView offsetText = offsetAt < 0 ? QStringView() : TrimBlanks(line.sliced(offsetAt + 3));

    const QString key = SplitPath(name);
    const LogKeys* link = CurEntries.Item(key);
    if (!link)
        return;
    LogEntry* entry = Entries.Item(link->LogKey());
    if (!entry)
        return;
    Skippable([&] { entry->SetResumes(CheckedAdd(entry->Resumes(), 1)); });
    Skippable([&] {
        const auto bytes = ReadWholeNumber(offsetText);
        if (!bytes)
            RaiseRuntime(ErrorNumbers::TypeMismatch, u"ParseResumedLine"_s, u"Type mismatch"_s);
        entry->SetNum(RoundHalfEvenToInt32(double(entry->Num()) + double(*bytes) / 1024.0));
    });
}

void LogAnalysis::ParseRestartLine(QStringView line) {
    const QString key = SplitPath(NameAfter(line, LineOffset(DateIsLong) + 22));
    const LogKeys* link = CurEntries.Item(key);
    if (!link)
        return;
    LogEntry* entry = Entries.Item(link->LogKey());
    if (!entry)
        return;
    Skippable([&] {
        if (line.contains(u"(Re)Started"))
            entry->SetMirrors(CheckedAdd(entry->Mirrors(), 1));
        else
            entry->SetRestarts(CheckedAdd(entry->Restarts(), 1));
    });
}

void LogAnalysis::ParseFinishedLine(QStringView line) {
    const QString key = SplitPath(NameAfter(line, LineOffset(DateIsLong) + 22));
    const LogKeys* link = CurEntries.Item(key);
    if (!link)
        return;
    if (LogEntry* entry = Entries.Item(link->LogKey()))
        Skippable([&] { entry->SetDateFinished(EventTimeText(line, DateIsLong, m_Formats)); });
    Skippable([&] { CurEntries.Remove(key); });
}
