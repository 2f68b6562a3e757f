#include "analysis/LogAnalysis.h"

#include "analysis/LineFormat.h"
#include "analysis/TextRules.h"
#include "platform/Memory.h"
#include "records/modErrorHandling.h"

#include <QDateTime>
#include <QFileInfo>

#include <limits>

using namespace Qt::StringLiterals;

// The records' texts and the collections' large arrays sit on the platform's large blocks:
// a big log's records then fault in huge pages rather than thousands of small ones.
LogAnalysis::LogAnalysis(LocaleFormats formats)
    : m_Entries(PlatformMemory::RandomBlocks()),
      m_CurEntries(&m_Entries.Arena(), PlatformMemory::RandomBlocks()),
      m_Formats(std::move(formats)) {}

void LogAnalysis::ResetAnalysis() {
    m_Host->ResetControls();
    ResetPassState();
}

void LogAnalysis::ResetPassState() {
    m_CurLine = 0;
    m_TotalFiles = 0;
    m_TotalResumes = 0;
    m_TotalCompleted = 0;
    m_TotalRestarts = 0;
    m_KbResumed = 0;
    m_DateIsLong = false;
    m_Entries = LogEntries(PlatformMemory::RandomBlocks());
    m_CurEntries = LogCurEntries(&m_Entries.Arena(), PlatformMemory::RandomBlocks());
}

void LogAnalysis::PassLine(QByteArrayView bytes, bool longDate) {
    const int offset = LineOffset(longDate);
    // A hint is read only from a line whose date, time and offset are ASCII.
    if (Hinted(bytes)) {
        if (m_Hint->Kind == LineHint::Event::None)
            m_DateIsLong = longDate; // chatter: all the handlers would do
        else
            AnalyzeLine(bytes, longDate);
    } else if (bytes.size() >= offset && AsciiPrefix(bytes, offset)) {
        AnalyzeLine(bytes, longDate);
    } else {
        AnalyzeLine(Decoded(bytes), longDate);
    }
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
    try {
        for (m_CurLine = 1;; ++m_CurLine) {
            m_Host->Progress(m_CurLine);
            PassLine(m_LogLines.Bytes(m_CurLine), m_LogLines.LongDate(m_CurLine));
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
