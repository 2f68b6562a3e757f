#include "analysis/LogAnalysis.h"

#include "analysis/LineFormat.h"
#include "analysis/TextRules.h"
#include "records/modErrorHandling.h"

#include <QDateTime>
#include <QFileInfo>

#include <limits>

using namespace Qt::StringLiterals;

LogAnalysis::LogAnalysis(LocaleFormats formats) : m_Formats(std::move(formats)) {}

void LogAnalysis::ResetAnalysis() {
    CurLine = 0;
    TotalFiles = 0;
    TotalResumes = 0;
    TotalCompleted = 0;
    TotalRestarts = 0;
    KbResumed = 0;
    DateIsLong = false;
    m_Host->ResetControls();
    Entries = LogEntries();
    CurEntries = LogCurEntries();
}

QString LogAnalysis::FileStamp(const QString& path) {
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    // Milliseconds included, so that two writes within one second still differ.
    const QString stamp = info.lastModified().toString(Qt::ISODateWithMs);
    // A folder put where the log was is a change even if its time happens to match.
    return info.isFile() ? stamp : stamp + u" (not a file)"_s;
}

QString LogAnalysis::LeadingDate(QStringView line) const {
    const QStringView ten = LeftOf(line, 10);
    return (IsDate(ten, m_Formats) ? ten : LeftOf(line, 8)).toString();
}

PassOutcome LogAnalysis::RunPass() {
    PassOutcome outcome;
    const qint64 upper = LogLines.UpperBound();
    if (upper == 0) {
        outcome.NothingLoaded = true;
        return outcome;
    }
    std::vector<char16_t> buffer;
    try {
        for (CurLine = 1;; ++CurLine) {
            m_Host->Progress(CurLine);
            if (!NeedsNoHandler(CurLine))
                AnalyzeLine(LogLines.Decode(CurLine, buffer), LogLines.LongDate(CurLine));
            else
                DateIsLong = LogLines.LongDate(CurLine);
            if (CurLine >= upper)
                break;
            if (CurLine == std::numeric_limits<qint32>::max())
                RaiseRuntime(ErrorNumbers::Overflow, u"AnalyzeLog"_s, u"Overflow"_s);
        }
        outcome.Completed = true;
    } catch (const QuillanError& error) {
        outcome.Reason = error.Description();
    } catch (const std::exception& error) {
        outcome.Reason = QString::fromLocal8Bit(error.what());
    }
    if (!outcome.Completed) {
        outcome.FailedLine = CurLine;
        outcome.FailedFileLine = LogLines.FileLine(CurLine);
    }
    return outcome;
}

// Most lines are chatter. When the date, time and message start are plain ASCII, the raw
// bytes tell whether the message could begin with a keyword, without decoding the line.
bool LogAnalysis::NeedsNoHandler(qint64 index) const {
    const QByteArrayView bytes = LogLines.Bytes(index);
    const int offset = LineOffset(LogLines.LongDate(index));
    if (bytes.size() < offset)
        return false; // the slow path reports it
    for (int i = 0; i < offset; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return false;
    qsizetype i = offset;
    while (i < bytes.size() && bytes[i] == ' ')
        ++i;
    if (i == bytes.size())
        return true;
    const char first = bytes[i];
    return first != 'F' && first != 'R' && first != 'C' && first != '(';
}

void LogAnalysis::AnalyzeLine(QStringView line, bool dateIsLong) {
    DateIsLong = dateIsLong;
    const int offset = LineOffset(DateIsLong);
    if (line.size() < offset)
        RaiseRuntime(ErrorNumbers::InvalidArgument, u"AnalyzeLog"_s,
                     u"The line is shorter than its date, time and message offset"_s);
    const QStringView message = TrimBlanks(line.sliced(offset));

    if (StartsWithAscii(message, u"File: ")) {
        ParseFileLine(line);
    } else if (StartsWithAscii(message, u"Resumed:")) {
        TotalResumes = CheckedAdd(TotalResumes, 1);
        const qsizetype at = FindAscii(message, u"at: ");
        // Without "at: " the text read is the message from its 4th character, never a number.
        const QStringView offsetText = at < 0 ? message.sliced(3) : message.sliced(at + 4);
        const auto bytes = ReadWholeNumber(offsetText);
        if (!bytes || *bytes < std::numeric_limits<qint32>::min() ||
            *bytes > std::numeric_limits<qint32>::max())
            RaiseRuntime(ErrorNumbers::TypeMismatch, u"AnalyzeLog"_s,
                         u"The resumed offset is not a whole number of bytes: \""_s +
                             TrimBlanks(offsetText).toString() + u'"');
        KbResumed = RoundHalfEvenToInt32(double(KbResumed) + double(*bytes) / 1024.0);
        ParseResumedLine(line);
    } else if (StartsWithAscii(message, u"Could not resume (restarting from 0):") ||
               StartsWithAscii(message, u"(Re)Started")) {
        TotalRestarts = CheckedAdd(TotalRestarts, 1);
        ParseRestartLine(line);
    } else if (StartsWithAscii(message, u"Finished downloading")) {
        TotalCompleted = CheckedAdd(TotalCompleted, 1);
        ParseFinishedLine(line);
    }
}

std::array<std::optional<QString>, 7> LogAnalysis::StatTexts() const {
    std::array<std::optional<QString>, 7> texts;
    texts[0] = QString::number(TotalFiles);
    texts[1] = QString::number(TotalResumes);
    texts[2] = QString::number(TotalRestarts);
    texts[3] = QString::number(TotalCompleted);
    texts[4] = FormatGrouped(KbResumed, m_Formats.GroupSeparator()) + u" Kb"_s;
    if (IsDate(LogStart, m_Formats))
        texts[5] = RenderShortDate(LogStart, m_Formats);
    if (IsDate(LogEnd, m_Formats))
        texts[6] = RenderShortDate(LogEnd, m_Formats);
    return texts;
}
