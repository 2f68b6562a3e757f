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
    m_CurLine = 0;
    m_TotalFiles = 0;
    m_TotalResumes = 0;
    m_TotalCompleted = 0;
    m_TotalRestarts = 0;
    m_KbResumed = 0;
    m_DateIsLong = false;
    m_Host->ResetControls();
    m_Entries = LogEntries();
    m_CurEntries = LogCurEntries();
}

QString LogAnalysis::FileStamp(const QString& path) {
    if (path.isEmpty()) return {};
    const QFileInfo info(path);
    if (!info.exists()) return {};
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
    const qint64 upper = m_LogLines.UpperBound();
    if (upper == 0) {
        outcome.NothingLoaded = true;
        return outcome;
    }
    std::vector<char16_t> buffer;
    try {
        for (m_CurLine = 1;; ++m_CurLine) {
            m_Host->Progress(m_CurLine);
            if (!NeedsNoHandler(m_CurLine))
                AnalyzeLine(m_LogLines.Decode(m_CurLine, buffer), m_LogLines.LongDate(m_CurLine));
            else
                m_DateIsLong = m_LogLines.LongDate(m_CurLine);
            if (m_CurLine >= upper) break;
            if (m_CurLine == std::numeric_limits<qint32>::max())
                RaiseRuntime(ErrorNumbers::Overflow, u"AnalyzeLog"_s, u"Overflow"_s);
        }
        outcome.Completed = true;
    } catch (const QuillanError& error) {
        outcome.Reason = error.Description();
    } catch (const std::exception& error) {
        outcome.Reason = QString::fromLocal8Bit(error.what());
    }
    if (!outcome.Completed) {
        outcome.FailedLine = m_CurLine;
        outcome.FailedFileLine = m_LogLines.FileLine(m_CurLine);
    }
    return outcome;
}

// Most lines are chatter. When the date, time and message start are plain ASCII, the raw
// bytes tell whether the message could begin with a keyword, without decoding the line.
bool LogAnalysis::NeedsNoHandler(qint64 index) const {
    const QByteArrayView bytes = m_LogLines.Bytes(index);
    const int offset = LineOffset(m_LogLines.LongDate(index));
    if (bytes.size() < offset) return false; // the slow path reports it
    for (int i = 0; i < offset; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
    qsizetype i = offset;
    while (i < bytes.size() && bytes[i] == ' ')
        ++i;
    if (i == bytes.size()) return true;
    const char first = bytes[i];
    return first != 'F' && first != 'R' && first != 'C' && first != '(';
}

void LogAnalysis::AnalyzeLine(QStringView line, bool dateIsLong) {
    m_DateIsLong = dateIsLong;
    const int offset = LineOffset(m_DateIsLong);
    if (line.size() < offset)
        RaiseRuntime(ErrorNumbers::InvalidArgument, u"AnalyzeLog"_s,
                     u"The line is shorter than its date, time and message offset"_s);
    const QStringView message = TrimBlanks(line.sliced(offset));

    if (StartsWithAscii(message, u"File: ")) {
        ParseFileLine(line);
    } else if (StartsWithAscii(message, u"Resumed:")) {
        m_TotalResumes = CheckedAdd(m_TotalResumes, 1);
        const qsizetype at = FindAscii(message, u"at: ");
        // Without "at: " the text read is the message from its 4th character, never a number.
        const QStringView offsetText = at < 0 ? message.sliced(3) : message.sliced(at + 4);
        const auto bytes = ReadWholeNumber(offsetText);
        if (!bytes || *bytes < std::numeric_limits<qint32>::min() ||
            *bytes > std::numeric_limits<qint32>::max())
            RaiseRuntime(ErrorNumbers::TypeMismatch, u"AnalyzeLog"_s,
                         u"The resumed offset is not a whole number of bytes: \""_s +
                             TrimBlanks(offsetText).toString() + u'"');
        m_KbResumed = RoundHalfEvenToInt32(double(m_KbResumed) + double(*bytes) / 1024.0);
        ParseResumedLine(line);
    } else if (StartsWithAscii(message, u"Could not resume (restarting from 0):") ||
               StartsWithAscii(message, u"(Re)Started")) {
        m_TotalRestarts = CheckedAdd(m_TotalRestarts, 1);
        ParseRestartLine(line);
    } else if (StartsWithAscii(message, u"Finished downloading")) {
        m_TotalCompleted = CheckedAdd(m_TotalCompleted, 1);
        ParseFinishedLine(line);
    }
}

std::array<std::optional<QString>, 7> LogAnalysis::StatTexts() const {
    std::array<std::optional<QString>, 7> texts;
    texts[0] = QString::number(m_TotalFiles);
    texts[1] = QString::number(m_TotalResumes);
    texts[2] = QString::number(m_TotalRestarts);
    texts[3] = QString::number(m_TotalCompleted);
    texts[4] = FormatGrouped(m_KbResumed, m_Formats.GroupSeparator()) + u" Kb"_s;
    if (IsDate(m_LogStart, m_Formats)) texts[5] = RenderShortDate(m_LogStart, m_Formats);
    if (IsDate(m_LogEnd, m_Formats)) texts[6] = RenderShortDate(m_LogEnd, m_Formats);
    return texts;
}
