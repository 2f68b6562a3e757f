// Reading a log file: into m_LogLines, or straight through the pass.
#include "analysis/LineFormat.h"
#include "analysis/LogAnalysis.h"
#include "analysis/TextDecoding.h"
#include "analysis/TextRules.h"
#include "base/Relay.h"
#include "platform/Files.h"
#include "records/modErrorHandling.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>

#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <vector>

using namespace Qt::StringLiterals;

// Where the reader's kept lines go: into the store (LoadLogFile), or straight through the
// pass (LoadAndRunPass).
class LineSink {
public:
    virtual ~LineSink() = default;
    // A read of the file begins, from its start; it holds about this many bytes.
    virtual void Begin(qint64 sizeHint) = 0;
    // A line that begins with a date, as the file holds it (in UTF-8 when `encoding` says),
    // with its hint when the sink takes hints and the line was split ahead of it.
    virtual void Keep(QByteArrayView bytes, LineEncoding encoding, qint64 fileLine, bool longDate,
                      const LineHint* hint) = 0;
    // Whether Keep makes use of hints, which then are read as the lines are split.
    virtual bool TakesHints() const { return false; }
    // Lines with hints come in batches: one begins, with the event times its hints name,
    // and ends, its bytes and times let go.
    virtual void StartOfBatch(const char16_t* times) { Q_UNUSED(times); }
    virtual void EndOfBatch() {}
    // What was kept so far does not count: the read starts again, or has failed.
    virtual void Drop() = 0;
    virtual qint64 Count() const = 0;
    // The first and the last kept line, decoded, at least their first ten characters.
    virtual QStringView First(std::vector<char16_t>& buffer) const = 0;
    virtual QStringView Last(std::vector<char16_t>& buffer) const = 0;
};

namespace {

enum class Encoding { Utf8, Windows1252, System };

constexpr qint64 ReadBlock = qint64(1) << 20;

// A file cut shorter while it is read is read again from its start, this many times at most.
constexpr int ReadAttempts = 3;

// Reads a file's blocks in order, each after some room, so that the unfinished line of the
// block before can be put in front of it and the caller sees one run of bytes. Two buffers
// take turns, so that a read never lands on the carried bytes of the block before.
//
// The file is read as it was when reading began (see LineReader): at most `limit` bytes
// when `limited`, then one more read that must find the end.
class BlockReader {
public:
    struct Block {
        const char* Data = nullptr; // the carried bytes, then the block's
        qsizetype Size = 0;         // carried bytes included
        qint64 Got = 0;             // bytes read this time; 0 at the end, -1 on a read error
    };

    BlockReader(QFile& file, qint64 limit, bool limited, qint64 block)
        : m_File(file), m_Limit(limit), m_Limited(limited), m_Block(block) {
        for (auto& buffer : m_Buffers)
            buffer = std::make_unique_for_overwrite<char[]>(size_t(Room + block));
    }

    // The next block with the `carry` bytes at `carried` in front of it. Those bytes may lie
    // in the block Next returned last, which stays untouched until they are copied.
    Block Next(const char* carried, qsizetype carry) {
        char* data = m_Buffers[m_Turn].get() + Room;
        m_Turn ^= 1;
        const qint64 want = m_Limited ? std::min(m_Block, m_Limit - m_Consumed) : m_Block;
        const qint64 got = want > 0 ? m_File.read(data, want) : 0;
        if (got > 0) m_Consumed += got;
        const qsizetype size = carry + qsizetype(std::max<qint64>(got, 0));
        if (carry <= Room) {
            if (carry > 0) std::memcpy(data - carry, carried, size_t(carry));
            data -= carry;
        } else {
            // A line longer than the room: carried bytes and block joined elsewhere. A line
            // that spans many blocks grows where it lies, so its bytes are copied once.
            const auto at = reinterpret_cast<std::uintptr_t>(carried);
            const auto joined = reinterpret_cast<std::uintptr_t>(m_Joined.data());
            if (!m_Joined.empty() && at >= joined && at < joined + m_Joined.size()) {
                m_Joined.erase(m_Joined.begin(), m_Joined.begin() + std::ptrdiff_t(at - joined));
            } else {
                std::vector<char> fresh(carried, carried + carry);
                m_Joined = std::move(fresh);
            }
            if (got > 0) m_Joined.insert(m_Joined.end(), data, data + got);
            data = m_Joined.data();
        }
        return Block{data, size, got};
    }

private:
    static constexpr qsizetype Room = 64 * 1024;

    QFile& m_File;
    const qint64 m_Limit;
    const bool m_Limited;
    const qint64 m_Block;
    qint64 m_Consumed = 0;
    std::unique_ptr<char[]> m_Buffers[2];
    int m_Turn = 0;
    std::vector<char> m_Joined;
};

// Splits the file into lines at CR or CR LF (a lone LF stays inside its line), decodes
// each and keeps those that begin with a date. Stops with NotUtf8 when the bytes turn out
// not to be UTF-8, so that the caller starts again as Windows-1252.
//
// The file is read as it was when reading began: GetRight may append while it is read,
// and a file that never stops growing must not keep the loader reading forever. The bytes
// after the last line end are then a line still being written and are left for the next
// read. A file that ends before that size was cut or rewritten meanwhile (Shrank).
class LineReader {
public:
    LineReader(QFile& file, LineSink& sink, const LocaleFormats& formats, Encoding encoding,
               AnalysisHost& host)
        : m_File(file), m_Sink(sink), m_Formats(formats), m_Encoding(encoding), m_Host(host) {}

    enum class Result { Done, NotUtf8, ReadError, LineTooLong, Shrank };

    Result Run(qint64& badRecords) {
        // Pseudo-files report no size; they are read to their end.
        const qint64 limit = std::max<qint64>(m_File.size(), 0);
        const bool limited = limit > 0;
        // A small log needs no large buffer.
        const qint64 block = std::min<qint64>(ReadBlock, limit + 65536);
        BlockReader reader(m_File, limit, limited, block);
        qint64 consumed = 0;
        const char* carried = nullptr;
        qsizetype carry = 0; // bytes of an unfinished line, put in front of the next block
        bool skipLineFeed = false;
        bool first = true;
        qint64 fileLine = 0;
        for (;;) {
            const BlockReader::Block read = reader.Next(carried, carry);
            const qint64 got = read.Got;
            if (got < 0) return Result::ReadError;
            consumed += got;
            if (got > 0) m_Host.ReadProgress(consumed);
            const bool atEnd = got == 0;
            bool tailUnfinished = false;
            if (atEnd && limited) {
                // Ending early with the size unchanged is a file that reports more than it
                // holds (some network and pseudo file systems): what it gave is the file.
                const qint64 now = m_File.size();
                if (now < limit) return Result::Shrank;
                // Grown past the size it had: an unfinished last line is not read yet.
                tailUnfinished = now > limit;
            }
            const qsizetype size = read.Size;
            const char* data = read.Data;
            qsizetype pos = 0;
            if (first && (size >= 3 || atEnd)) {
                if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) pos = 3;
                first = false;
            }
            if (skipLineFeed && pos < size) {
                if (data[pos] == '\n') ++pos;
                skipLineFeed = false;
            }
            // The complete lines run up to the last CR. When those bytes are UTF-8 as a whole
            // (nearly always), no line needs a test of its own; otherwise each is tested, so
            // that the first line that fails decides, as it would alone.
            bool valid = false;
            if (m_Encoding == Encoding::Utf8) {
                qsizetype last = size;
                while (last > pos && data[last - 1] != '\r')
                    --last;
                valid = last > pos && IsValidUtf8(data + pos, last - 1 - pos);
            }
            for (;;) {
                const char* cr =
                    static_cast<const char*>(std::memchr(data + pos, '\r', size_t(size - pos)));
                if (!cr) break;
                const qsizetype end = cr - data;
                const Result r =
                    Take(QByteArrayView(data + pos, end - pos), ++fileLine, badRecords, valid);
                if (r != Result::Done) return r;
                pos = end + 1;
                if (pos < size) {
                    if (data[pos] == '\n') ++pos;
                } else {
                    skipLineFeed = true;
                }
            }
            if (atEnd) {
                // The last line needs no end marker.
                if (pos < size && !tailUnfinished) {
                    const Result r =
                        Take(QByteArrayView(data + pos, size - pos), ++fileLine, badRecords);
                    if (r != Result::Done) return r;
                }
                return Result::Done;
            }
            carry = size - pos;
            carried = data + pos;
        }
    }

private:
    // Keeps the line if it begins with a date; valid says its bytes are known to be UTF-8.
    Result Take(QByteArrayView bytes, qint64 fileLine, qint64& badRecords, bool valid = false) {
        if (bytes.size() > LineStore::MaxLineLength) return Result::LineTooLong;
        LineEncoding stored = LineEncoding::Windows1252;
        QByteArray converted;
        switch (m_Encoding) {
        case Encoding::Utf8:
            if (!valid && !IsValidUtf8(bytes.data(), bytes.size())) return Result::NotUtf8;
            stored = LineEncoding::Utf8;
            break;
        case Encoding::Windows1252:
            break;
        case Encoding::System:
            // Kept as UTF-8 so that the store holds one encoding whatever the code page.
            converted = QString(m_System(bytes)).toUtf8();
            bytes = converted;
            stored = LineEncoding::Utf8;
            break;
        }
        // Only the first ten characters decide whether the line is kept. Plain ASCII (nearly
        // every line) is read as it stands; otherwise decode enough bytes for ten
        // characters, cut on a character boundary.
        const qsizetype ten = std::min<qsizetype>(bytes.size(), 10);
        bool longDate = false, kept = false;
        if (AsciiPrefix(bytes, ten)) {
            const int length = DateLengthOf(QLatin1StringView(bytes.data(), ten));
            longDate = length == 10;
            kept = length != 0;
        } else {
            qsizetype cut = std::min<qsizetype>(bytes.size(), 40);
            while (stored == LineEncoding::Utf8 && cut < bytes.size() && cut > 0 &&
                   (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
                --cut;
            const QStringView prefix = DecodeLine(bytes.first(cut), stored, m_Prefix);
            longDate = IsDate(LeftOf(prefix, 10), m_Formats);
            kept = longDate || IsDate(LeftOf(prefix, 8), m_Formats);
        }
        if (kept) {
            m_Sink.Keep(bytes, stored, fileLine, longDate, nullptr);
        } else {
            ++badRecords;
        }
        return Result::Done;
    }

    // A log's lines come a day at a time, and most of a day's lines begin alike: the
    // answer for the last line's first ten characters is kept for the next.
    int DateLengthOf(QLatin1StringView ten) {
        if (ten.size() < 10) return LeadingDateLength(ten, m_Formats);
        if (m_LastLength < 0 || std::memcmp(ten.data(), m_Ten, 10) != 0) {
            std::memcpy(m_Ten, ten.data(), 10);
            m_LastLength = LeadingDateLength(ten, m_Formats);
        }
        return m_LastLength;
    }

    QFile& m_File;
    LineSink& m_Sink;
    // Its own copy: the reader may split on a thread of its own while the pass reads the
    // analysis's formats.
    const LocaleFormats m_Formats;
    Encoding m_Encoding;
    AnalysisHost& m_Host;
    QStringDecoder m_System{QStringDecoder::System};
    std::vector<char16_t> m_Prefix;
    char m_Ten[10] = {};
    int m_LastLength = -1; // -1: none kept yet
};

// Splits a file on a thread of its own while the caller's sink takes the lines split
// before, so that splitting a large log and analysing it overlap. The reader works with
// this as its sink and host: kept lines are copied into batches, and the caller's sink
// takes them in the order they were kept, on the caller's thread, as if it had split them
// itself. Read progress is told from the splitting thread, right after each block is read,
// as the reader would tell it.
class SplitAhead final : public LineSink, public AnalysisHost {
public:
    SplitAhead(LineSink& sink, AnalysisHost& host, const LocaleFormats& formats,
               LogAnalysis::PartHashing hashing)
        : m_Sink(sink), m_Host(host), m_Hints(sink.TakesHints()), m_Formats(formats),
          m_Hashing(hashing) {}

    // Runs reader, made with this as its sink and host, and hands its lines on.
    LineReader::Result Run(LineReader& reader, qint64& badRecords) {
        LineReader::Result result = LineReader::Result::Done;
        qint64 splitterBad = 0;
        const bool split = m_Relay.Run([&] { result = reader.Run(splitterBad); },
                                       [&](const Batch& batch) { Deliver(batch); });
        if (!split) {
            // No thread to be had: the lines go straight through.
            m_Direct = true;
            return reader.Run(badRecords);
        }
        badRecords = splitterBad;
        return result;
    }

    // The splitting side.
    void Keep(QByteArrayView bytes, LineEncoding encoding, qint64 fileLine, bool longDate,
              const LineHint*) override {
        if (m_Direct) return m_Sink.Keep(bytes, encoding, fileLine, longDate, nullptr);
        Batch& batch = m_Relay.Filling();
        if (batch.Lines.empty()) {
            using enum LogAnalysis::PartHashing;
            batch.HashesParts =
                m_Hashing == Splitter || (m_Hashing == Balanced && !m_Relay.TakerWaiting());
        }
        // Bytes first: a batch that a failure leaves half filled is still handed over, and
        // must name no bytes it does not hold.
        const qsizetype offset = qsizetype(batch.Bytes.size());
        batch.Bytes.insert(batch.Bytes.end(), bytes.begin(), bytes.end());
        Line& line = batch.Lines.emplace_back(
            Line{{}, fileLine, quint32(offset), qint32(bytes.size()), encoding, longDate});
        if (m_Hints)
            ForeseeLine(line.Hint, bytes, longDate, m_Formats, batch.Times, m_Dates,
                        batch.HashesParts);
        if (batch.Bytes.size() >= BatchBytes || batch.Lines.size() >= BatchLines) m_Relay.Publish();
    }
    void ReadProgress(qint64 bytesRead) override {
        // A caller that stopped taking lines is not kept waiting while the rest of the file
        // is read: at most one more block.
        if (!m_Direct) m_Relay.Check();
        m_Host.ReadProgress(bytesRead);
    }

    // Only the reader's two calls above come here.
    void Begin(qint64) override {}
    void Drop() override {}
    qint64 Count() const override { return 0; }
    QStringView First(std::vector<char16_t>&) const override { return {}; }
    QStringView Last(std::vector<char16_t>&) const override { return {}; }

private:
    // Kept compact, as the hint is: every line is written here once and read once more.
    struct Line {
        LineHint Hint;
        qint64 FileLine;
        quint32 Offset; // within the batch's bytes, which end a batch past BatchBytes
        qint32 Size;    // a line is never longer than LineStore::MaxLineLength
        LineEncoding Encoding;
        bool LongDate;
    };
    static constexpr size_t BatchBytes = 512 * 1024;
    static constexpr size_t BatchLines = 8192;
    struct Batch {
        std::vector<char> Bytes;
        std::vector<Line> Lines;
        std::vector<char16_t> Times; // the lines' event times (LineHint)
        // Whether the hints hash the names and URLs they find. A batch begun while the pass
        // waits for lines leaves that to the pass: the splitting side is the slower one.
        bool HashesParts = true;
        void Clear() {
            Lines.clear();
            Bytes.clear();
            Times.clear();
            // One very long line leaves no lasting hold on its memory.
            if (Bytes.capacity() > 4 * BatchBytes) std::vector<char>().swap(Bytes);
        }
    };

    // The caller's side: each line through the sink.
    void Deliver(const Batch& batch) {
        m_Sink.StartOfBatch(batch.Times.data());
        for (const Line& line : batch.Lines)
            m_Sink.Keep(QByteArrayView(batch.Bytes.data() + line.Offset, line.Size), line.Encoding,
                        line.FileLine, line.LongDate, m_Hints ? &line.Hint : nullptr);
        m_Sink.EndOfBatch();
    }

    LineSink& m_Sink;
    AnalysisHost& m_Host;
    const bool m_Hints;
    // Its own copy, for the hints' event times: the pass reads the analysis's formats.
    const LocaleFormats m_Formats;
    EventDateMemo m_Dates;
    const LogAnalysis::PartHashing m_Hashing;
    bool m_Direct = false;
    Relay<Batch> m_Relay;
};

bool ParentFolderExists(const QString& path) {
    return QFileInfo(QFileInfo(path).absolutePath()).isDir();
}

} // namespace

// Kept lines go to the store, for the pass to read later.
class LogAnalysis::StoreSink final : public LineSink {
public:
    explicit StoreSink(LineStore& store) : m_Store(store) {}
    void Begin(qint64 sizeHint) override { m_Store.SetSizeHint(sizeHint); }
    void Keep(QByteArrayView bytes, LineEncoding encoding, qint64 fileLine, bool longDate,
              const LineHint*) override {
        m_Store.SetEncoding(encoding);
        m_Store.Append(bytes, fileLine, longDate);
    }
    void Drop() override { m_Store.Clear(); }
    qint64 Count() const override { return m_Store.UpperBound(); }
    QStringView First(std::vector<char16_t>& buffer) const override {
        return m_Store.Decode(1, buffer);
    }
    QStringView Last(std::vector<char16_t>& buffer) const override {
        return m_Store.Decode(m_Store.UpperBound(), buffer);
    }

private:
    LineStore& m_Store;
};

// Kept lines go through the pass as they are read, which ends as RunPass would on the same
// lines: where a line fails it stops, and the load goes on to its end all the same.
class LogAnalysis::PassSink final : public LineSink {
public:
    explicit PassSink(LogAnalysis& analysis) : m_Analysis(analysis) {}

    void Begin(qint64) override {}

    bool TakesHints() const override { return true; }

    void Keep(QByteArrayView bytes, LineEncoding encoding, qint64 fileLine, bool longDate,
              const LineHint* hint) override {
        m_Encoding = encoding;
        // A line that came in a batch is noted as the last only if it still is when the
        // batch ends, while its bytes last.
        if (m_Count == 0)
            Note(m_First, bytes);
        else if (hint)
            m_Pending = bytes;
        else
            Note(m_Last, bytes);
        ++m_Count;
        if (m_Ended) return; // the pass has ended; only the count goes on
        if (m_Count > std::numeric_limits<qint32>::max()) {
            // As RunPass: the line after the last index there can be is not read.
            End(u"Overflow"_s, m_LastFileLine);
            return;
        }
        m_Analysis.m_LogLines.SetEncoding(encoding); // the handlers decode by it
        m_Analysis.m_CurLine = qint32(m_Count);
        // The hint lives with the line's batch: it is let go however the line ends.
        m_Analysis.m_Hint = hint;
        m_Analysis.m_HintLine = bytes.data();
        const auto forget = qScopeGuard([this] { m_Analysis.m_Hint = nullptr; });
        try {
            m_Analysis.PassLine(bytes, longDate);
        } catch (const QuillanError& error) {
            End(error.Description(), fileLine);
        } catch (const std::exception& error) {
            End(QString::fromLocal8Bit(error.what()), fileLine);
        }
        m_LastFileLine = fileLine;
    }

    void StartOfBatch(const char16_t* times) override { m_Analysis.m_HintTimes = times; }
    void EndOfBatch() override {
        if (m_Pending.data()) Note(m_Last, m_Pending);
        m_Pending = {};
        m_Analysis.m_HintTimes = nullptr;
    }

    void Drop() override {
        m_Analysis.ResetPassState();
        m_Pending = {};
        m_Count = 0;
        m_LastFileLine = 0;
        m_Ended = false;
        m_Outcome = PassOutcome();
    }
    qint64 Count() const override { return m_Count; }
    QStringView First(std::vector<char16_t>& buffer) const override {
        return Decode(m_First, buffer);
    }
    QStringView Last(std::vector<char16_t>& buffer) const override {
        return Decode(m_Count == 1 ? m_First : m_Last, buffer);
    }

    PassOutcome Outcome() const {
        PassOutcome outcome = m_Outcome;
        outcome.NothingLoaded = m_Count == 0;
        outcome.Completed = m_Count > 0 && !m_Ended;
        return outcome;
    }

private:
    // Enough of a line's start for its first ten characters, cut where a character begins.
    struct Start {
        char Bytes[40];
        qsizetype Size = 0;
    };
    void Note(Start& start, QByteArrayView bytes) const {
        qsizetype cut = std::min<qsizetype>(bytes.size(), sizeof start.Bytes);
        while (m_Encoding == LineEncoding::Utf8 && cut < bytes.size() && cut > 0 &&
               (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
            --cut;
        std::memcpy(start.Bytes, bytes.data(), size_t(cut));
        start.Size = cut;
    }
    QStringView Decode(const Start& start, std::vector<char16_t>& buffer) const {
        return DecodeLine(QByteArrayView(start.Bytes, start.Size), m_Encoding, buffer);
    }
    void End(const QString& reason, qint64 fileLine) {
        m_Ended = true;
        m_Outcome.Reason = reason;
        m_Outcome.FailedLine = m_Analysis.m_CurLine;
        m_Outcome.FailedFileLine = fileLine;
    }

    LogAnalysis& m_Analysis;
    LineEncoding m_Encoding = LineEncoding::Utf8;
    qint64 m_Count = 0;
    qint64 m_LastFileLine = 0;
    bool m_Ended = false;
    Start m_First;
    Start m_Last;
    QByteArrayView m_Pending; // the last line of the batch being handed in, if it came in one
    PassOutcome m_Outcome;
};

LoadOutcome LogAnalysis::LoadLogFile(const QString& path) {
    StoreSink sink(m_LogLines);
    return Load(path, sink);
}

std::pair<LoadOutcome, PassOutcome> LogAnalysis::LoadAndRunPass(const QString& path) {
    PassSink sink(*this);
    const LoadOutcome load = Load(path, sink);
    if (load.Result != LoadOutcome::Kind::Loaded) {
        PassOutcome nothing;
        nothing.NothingLoaded = true;
        return {load, nothing};
    }
    return {load, sink.Outcome()};
}

LoadOutcome LogAnalysis::Load(const QString& path, LineSink& sink) {
    LoadOutcome outcome;
    m_LogLines.Clear();
    ResetAnalysis();

    QFile file;
    std::optional<LoadFailure> failure = OpenLogFile(path, file);
    qint64 badRecords = 0;
    if (!failure) failure = ReadLogLines(file, badRecords, sink);
    if (failure) {
        outcome.Result = failure->Kind;
        outcome.Problem = failure->Problem;
        // Nothing half-read is left for the pass: it finds no lines and does nothing.
        sink.Drop();
        if (failure->Kind == LoadOutcome::Kind::Missing)
            m_Host->ShowMessage(MessageIcon::Critical, u"Quillan Error"_s,
                                u"Error loading file. Please check the file path"_s);
        return outcome;
    }
    outcome.BadRecords = badRecords;

    if (sink.Count() == 0) {
        outcome.Result = LoadOutcome::Kind::NoLines;
        outcome.Problem = u"No line begins with a date"_s;
        return outcome;
    }
    std::vector<char16_t> buffer;
    m_LogStart = LeadingDate(sink.First(buffer));
    m_LogEnd = LeadingDate(sink.Last(buffer));
    file.close();

    if (badRecords > 0)
        m_Host->ShowMessage(MessageIcon::Information, u"Quillan"_s,
                            QString::number(badRecords) + u" bad records were ignored"_s);
    m_LogFilePath = path;
    outcome.KeptLines = sink.Count();
    outcome.Result = LoadOutcome::Kind::Loaded;
    return outcome;
}

// The checks on the path, in the order their failures are told apart, then the open. The
// file's stamp is noted as soon as something exists at the path.
std::optional<LogAnalysis::LoadFailure> LogAnalysis::OpenLogFile(const QString& path, QFile& file) {
    using Kind = LoadOutcome::Kind;
    if (path.isEmpty()) return LoadFailure{Kind::Failed, u"No file name was given"_s};
    const QFileInfo info(path);
    if (!info.exists()) {
        // Only a missing file in an existing folder counts as "file not found".
        if (ParentFolderExists(path))
            return LoadFailure{Kind::Missing, u"The file does not exist"_s};
        return LoadFailure{Kind::Failed, u"The folder does not exist"_s};
    }
    m_LogFileStamp = FileStamp(path);
    m_Host->HideLogChanged();

    if (info.isDir()) return LoadFailure{Kind::Failed, u"The path is a folder, not a file"_s};
    // A pipe would block the open until something writes to it, and a device may never end.
    if (!info.isFile()) return LoadFailure{Kind::Failed, u"The path is not an ordinary file"_s};
    QString problem;
    switch (PlatformFiles::OpenForReading(path, file, problem)) {
    case PlatformFiles::OpenStatus::Opened:
        return std::nullopt;
    case PlatformFiles::OpenStatus::Missing:
        return LoadFailure{Kind::Missing, problem};
    case PlatformFiles::OpenStatus::NotOrdinary:
    case PlatformFiles::OpenStatus::Failed:
        break;
    }
    return LoadFailure{Kind::Failed, problem};
}

// Reads the open file into LogLines, trying its encodings in turn and reading again a file
// cut short meanwhile.
std::optional<LogAnalysis::LoadFailure> LogAnalysis::ReadLogLines(QFile& file, qint64& badRecords,
                                                                  LineSink& sink) {
    using Kind = LoadOutcome::Kind;
    const Encoding firstTry =
        PlatformFiles::LogsInSystemCodePage() ? Encoding::System : Encoding::Utf8;
    Encoding encoding = firstTry;
    int attempts = 0;
    qint64 judgedSize = -1; // the file's size when its bytes were found not to be UTF-8
    for (;;) {
        badRecords = 0;
        const qint64 sizeAtStart = file.size();
        sink.Begin(sizeAtStart);
        LineReader::Result result;
        try {
            if (sizeAtStart > m_SplitThreshold) {
                SplitAhead pipe(sink, *m_Host, m_Formats, m_PartHashing);
                LineReader reader(file, pipe, m_Formats, encoding, pipe);
                result = pipe.Run(reader, badRecords);
            } else {
                LineReader reader(file, sink, m_Formats, encoding, *m_Host);
                result = reader.Run(badRecords);
            }
        } catch (const std::bad_alloc&) {
            return LoadFailure{Kind::Failed, u"There is not enough memory to read the file"_s};
        }
        if (result == LineReader::Result::NotUtf8) judgedSize = sizeAtStart;
        // The bytes that were not UTF-8 may have been cut away since: judge again.
        if (result == LineReader::Result::Done && encoding == Encoding::Windows1252 &&
            file.size() < judgedSize)
            result = LineReader::Result::Shrank;
        switch (result) {
        case LineReader::Result::Done:
            return std::nullopt;
        case LineReader::Result::NotUtf8:
        case LineReader::Result::Shrank:
            if (result == LineReader::Result::Shrank && ++attempts == ReadAttempts)
                return LoadFailure{Kind::Failed, u"The file kept changing while it was read"_s};
            // GetRight writes the Windows code page; a log copied from Windows is read as
            // such. A file cut short meanwhile is read again as it now is, its encoding
            // judged afresh.
            encoding = result == LineReader::Result::NotUtf8 ? Encoding::Windows1252 : firstTry;
            sink.Drop();
            if (!file.seek(0)) return LoadFailure{Kind::Failed, file.errorString()};
            break;
        case LineReader::Result::LineTooLong:
            return LoadFailure{Kind::Failed, u"A line is too long to be read"_s};
        case LineReader::Result::ReadError:
            return LoadFailure{Kind::Failed, file.errorString()};
        }
    }
}
