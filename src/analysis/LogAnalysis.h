#pragma once

#include "analysis/LineFormat.h"
#include "analysis/LineStore.h"
#include "analysis/LocaleFormats.h"
#include "records/LogCurEntries.h"
#include "records/LogEntries.h"

#include <QString>

#include <array>
#include <optional>
#include <utility>
#include <vector>

class QFile;
class LineSink;

enum class MessageIcon { Information, Critical };

// What the loader and the pass need from whoever shows them: the window, or the report
// tool. The loops never touch a widget themselves.
class AnalysisHost {
public:
    virtual ~AnalysisHost() = default;
    // The control side of ResetAnalysis: labels, progress bar, buttons, tree.
    virtual void ResetControls() {}
    virtual void HideLogChanged() {}
    virtual void ShowMessage(MessageIcon icon, const QString& title, const QString& text) {
        Q_UNUSED(icon);
        Q_UNUSED(title);
        Q_UNUSED(text);
    }
    // Called once per line of the pass with the line's index.
    virtual void Progress(qint32 value) { Q_UNUSED(value); }
    // Called after each block the loader reads, with the bytes read so far. A file of more
    // than one block is split on a thread of its own, and this is called from that thread.
    virtual void ReadProgress(qint64 bytesRead) { Q_UNUSED(bytesRead); }
};

struct LoadOutcome {
    enum class Kind {
        Loaded,  // lines kept, LogFilePath set
        NoLines, // read, but not one line began with a date
        Missing, // no file at the path (reported to the user)
        Failed,  // anything else: a folder, no permission, a missing folder, a read error
    };
    Kind Result = Kind::Failed;
    qint64 BadRecords = 0;
    qint64 KeptLines = 0; // the lines that began with a date
    QString Problem;      // what went wrong, for tools that have no window to show it
};

struct PassOutcome {
    bool NothingLoaded = false;
    bool Completed = false;
    qint32 FailedLine = 0;     // index in LogLines where the pass ended early
    qint64 FailedFileLine = 0; // the same line's number in the file
    QString Reason;
};

// What the pass will read of a line, worked out from the line's bytes alone ahead of the
// pass (on the loader's splitting thread): which handler its keyword calls, the file name
// the line finds its download by and the URL a "File: " line files its record under (each
// as its place in the line and its hash), and whether a restart line names a mirror.
struct LineHint {
    enum class Event : quint8 { Unread, None, File, Finished, Resumed, Restart };
    struct Part {
        qint32 At = 0;
        qint32 Size = -1; // -1: not read
        size_t Hash = 0;
    };
    Part Name;
    Part Url;
    // A "Resumed:" line's offset as the log's total reads it and as its record reads it,
    // where that reading finds a whole number (Has...).
    qint64 TotalOffset = 0;
    qint64 RecordOffset = 0;
    // The event time a "File: " or "Finished downloading" line gives its record, where it
    // could be written: TimeSize characters from TimeAt among its batch's times. A batch
    // of lines is kept compact: the pass reads them all twice over, once as they are made.
    qint32 TimeAt = 0;
    qint32 TimeSize = -1;
    Event Kind = Event::Unread;
    bool NameIsAscii = false;
    bool Mirror = false;
    bool HasTotalOffset = false;
    bool HasRecordOffset = false;
    bool PartsHashed = false; // Name and Url carry their Hash
};
// Fills a new hint for a line whose first date, time and message offset are ASCII; the
// event time is written to the end of times, the place it takes in times noted, the last
// date written kept in dates. The name and URL are hashed when hashParts says; otherwise
// the pass hashes them itself.
void ForeseeLine(LineHint& hint, QByteArrayView line, bool longDate, const LocaleFormats& formats,
                 std::vector<char16_t>& times, EventDateMemo& dates, bool hashParts);

// The run-time state of one analysed log, with the loader, the line handlers and the pass.
class LogAnalysis {
public:
    explicit LogAnalysis(LocaleFormats formats = LocaleFormats::System());

    void SetHost(AnalysisHost* host) { m_Host = host ? host : &m_NoHost; }
    const LocaleFormats& Formats() const { return m_Formats; }
    // Takes effect at the next load.
    void SetFormats(const LocaleFormats& formats) { m_Formats = formats; }
    // A file of more bytes than this is split into lines on a thread of its own while the
    // lines split before are taken (LogLoader.cpp); a smaller one is split where it is
    // taken. Either way gives the same lines in the same order: tests lower the threshold
    // to put small logs through the thread too.
    static constexpr qint64 DefaultSplitThreshold = qint64(1) << 20;
    void SetSplitThreshold(qint64 bytes) { m_SplitThreshold = bytes; }
    // Which side hashes the names and URLs the split lines' hints find: the splitting
    // thread, unless the pass waits for lines (Balanced); tests fix either side, as both
    // must give the same results.
    enum class PartHashing { Balanced, Splitter, Pass };
    void SetPartHashing(PartHashing side) { m_PartHashing = side; }

    void ResetAnalysis();
    LoadOutcome LoadLogFile(const QString& path);
    // The loop of the analysis pass; what it counted stays when it ends early.
    PassOutcome RunPass();
    // Loading and the pass in one sweep: each kept line goes through the handlers as it is
    // read, and no line is kept. It ends as LoadLogFile then RunPass would, messages and
    // all, but LogLines stays empty. The pass never calls Progress here: a host that shows
    // the pass (the window) shows where it ended.
    std::pair<LoadOutcome, PassOutcome> LoadAndRunPass(const QString& path);
    // Texts of the statistics labels 0 to 6; an empty optional leaves the label as it is.
    std::array<std::optional<QString>, 7> StatTexts() const;

    void ParseFileLine(QStringView line);
    void ParseResumedLine(QStringView line);
    void ParseRestartLine(QStringView line);
    void ParseFinishedLine(QStringView line);

    // The file's last-modified time as the text the monitor compares; empty when unreadable.
    static QString FileStamp(const QString& path);

    // What the load kept and what the pass made of it. Only the loader, the pass and the
    // handlers above write them; everyone else reads.
    const LineStore& LogLines() const { return m_LogLines; }
    const LogEntries& Entries() const { return m_Entries; }
    const LogCurEntries& CurEntries() const { return m_CurEntries; }
    qint32 TotalFiles() const { return m_TotalFiles; }
    qint32 TotalResumes() const { return m_TotalResumes; }
    qint32 TotalCompleted() const { return m_TotalCompleted; }
    qint32 TotalRestarts() const { return m_TotalRestarts; }
    qint32 KbResumed() const { return m_KbResumed; }
    // Whether the line being handled begins with a 10-character date.
    bool DateIsLong() const { return m_DateIsLong; }
    const QString& LogStart() const { return m_LogStart; }
    const QString& LogEnd() const { return m_LogEnd; }
    const QString& LogFilePath() const { return m_LogFilePath; }
    const QString& LogFileStamp() const { return m_LogFileStamp; }

    // The one loop position that the pass, the tree builds and the searches share: each
    // counts its loop in it (none runs while another does), and each finds it where the
    // last one left it. The builds and searches are handed it by reference.
    qint32& CurLine() { return m_CurLine; }
    qint32 CurLine() const { return m_CurLine; }

private:
    struct LoadFailure {
        LoadOutcome::Kind Kind;
        QString Problem;
    };
    // Where the loader puts kept lines: the store, or the pass (LogLoader.cpp).
    class StoreSink;
    class PassSink;
    LoadOutcome Load(const QString& path, LineSink& sink);
    std::optional<LoadFailure> OpenLogFile(const QString& path, QFile& file);
    std::optional<LoadFailure> ReadLogLines(QFile& file, qint64& badRecords, LineSink& sink);
    // What ResetAnalysis clears of the analysis itself: records, links, totals, positions.
    void ResetPassState();
    // One kept line through the handlers, as the pass reads it.
    void PassLine(QByteArrayView bytes, bool longDate);
    // The hash of a part of the line being handled, from its hint when the hint read the
    // same bytes.
    size_t HashOf(QByteArrayView part, LineHint::Part LineHint::*which) const;
    // Whether the line in hand has a hint read from it.
    bool Hinted(QStringView) const { return false; }
    bool Hinted(QByteArrayView line) const {
        return m_Hint && line.data() == m_HintLine && m_Hint->Kind != LineHint::Event::Unread;
    }
    // The part of a hinted line its hint noted; null where it noted none.
    QByteArrayView HintedPart(QByteArrayView line, LineHint::Part LineHint::*which) const {
        if (!Hinted(line) || (m_Hint->*which).Size < 0) return {};
        return line.sliced((m_Hint->*which).At, (m_Hint->*which).Size);
    }
    // The line's event time, from its hint where it holds one, else written here.
    QStringView EventTime(QByteArrayView line);
    QString LeadingDate(QStringView line) const;

    // The pass reads a line as the store holds it when its date, time and message offset
    // are ASCII bytes (nearly every line); otherwise it decodes the line and reads the text.
    // Both forms read alike (LineHandlers.cpp), and a handler that meets a character before
    // a position it counts falls back to the text.
    void AnalyzeLine(QStringView line, bool dateIsLong);
    void AnalyzeLine(QByteArrayView line, bool dateIsLong);
    template <class View> void Analyze(View line, bool dateIsLong);
    template <class View> void FileLine(View line);
    template <class View> void ResumedLine(View line);
    template <class View> void RestartLine(View line);
    template <class View> void FinishedLine(View line);
    // A "File: " line whose URL is ASCII: its texts go to the record as the line holds them.
    void FileLineAscii(QByteArrayView line, QByteArrayView local, QByteArrayView url);
    // The open download a name refers to.
    const LogKeys* OpenLink(QStringView name) const;
    const LogKeys* OpenLink(QByteArrayView name);
    // The open download the line names, the name read by name(line) unless the line's
    // hint tells it.
    template <class View, class Name> const LogKeys* NamedLink(View line, Name&& name);
    // Text of a part of a stored line (a name, a URL, a path).
    QStringView Text(QStringView text) { return text; }
    QStringView Text(QByteArrayView bytes) {
        return DecodeLine(bytes, m_LogLines.Encoding(), m_Piece);
    }
    QStringView Decoded(QByteArrayView line) {
        return DecodeLine(line, m_LogLines.Encoding(), m_Line);
    }

    LineStore m_LogLines;
    LogEntries m_Entries;
    LogCurEntries m_CurEntries;

    qint32 m_CurLine = 0;
    qint32 m_TotalFiles = 0;
    qint32 m_TotalResumes = 0;
    qint32 m_TotalCompleted = 0;
    qint32 m_TotalRestarts = 0;
    qint32 m_KbResumed = 0;
    bool m_DateIsLong = false;

    QString m_LogStart;
    QString m_LogEnd;
    QString m_LogFilePath;
    QString m_LogFileStamp;

    LocaleFormats m_Formats;
    qint64 m_SplitThreshold = DefaultSplitThreshold;
    PartHashing m_PartHashing = PartHashing::Balanced;
    // Decoding room for the pass, kept from line to line.
    std::vector<char16_t> m_Piece;
    std::vector<char16_t> m_Line;
    std::vector<char16_t> m_Time;
    // The hint of the line being handled, while the one-sweep load hands one in.
    const LineHint* m_Hint = nullptr;
    const char* m_HintLine = nullptr;
    // The event times of the hints' batch.
    const char16_t* m_HintTimes = nullptr;
    AnalysisHost m_NoHost;
    AnalysisHost* m_Host = &m_NoHost;
};
