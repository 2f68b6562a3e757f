// Reading a log file into m_LogLines.
#include "analysis/LineFormat.h"
#include "analysis/LogAnalysis.h"
#include "analysis/TextDecoding.h"
#include "analysis/TextRules.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

enum class Encoding { Utf8, Windows1252, System };

constexpr qint64 ReadBlock = qint64(4) << 20;

// A file cut shorter while it is read is read again from its start, this many times at most.
constexpr int ReadAttempts = 3;

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
    LineReader(QFile& file, LineStore& store, const LocaleFormats& formats, Encoding encoding,
               AnalysisHost& host)
        : m_File(file), m_Store(store), m_Formats(formats), m_Encoding(encoding), m_Host(host) {}

    enum class Result { Done, NotUtf8, ReadError, LineTooLong, Shrank };

    Result Run(qint64& badRecords) {
        // Pseudo-files report no size; they are read to their end.
        const qint64 limit = std::max<qint64>(m_File.size(), 0);
        const bool limited = limit > 0;
        // A small log needs no large buffer.
        const qint64 block = std::min<qint64>(ReadBlock, limit + 65536);
        qint64 consumed = 0;
        std::unique_ptr<char[]> buffer;
        qsizetype capacity = 0;
        qsizetype carry = 0; // bytes of an unfinished line at the front of the buffer
        bool skipLineFeed = false;
        bool first = true;
        qint64 fileLine = 0;
        for (;;) {
            if (capacity < carry + block) {
                // Grows only when one unfinished line outgrows it; nothing is zero-filled.
                auto bigger = std::make_unique_for_overwrite<char[]>(size_t(carry + block));
                if (carry > 0) std::memcpy(bigger.get(), buffer.get(), size_t(carry));
                buffer = std::move(bigger);
                capacity = carry + block;
            }
            const qint64 want = limited ? std::min(block, limit - consumed) : block;
            const qint64 got = want > 0 ? m_File.read(buffer.get() + carry, want) : 0;
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
            qsizetype size = carry + qsizetype(got);
            const char* data = buffer.get();
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
            if (carry > 0 && pos > 0) std::memmove(buffer.get(), data + pos, size_t(carry));
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
            const int length = LeadingDateLength(QLatin1StringView(bytes.data(), ten), m_Formats);
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
            m_Store.SetEncoding(stored);
            m_Store.Append(bytes, fileLine, longDate);
        } else {
            ++badRecords;
        }
        return Result::Done;
    }

    QFile& m_File;
    LineStore& m_Store;
    const LocaleFormats& m_Formats;
    Encoding m_Encoding;
    AnalysisHost& m_Host;
    QStringDecoder m_System{QStringDecoder::System};
    std::vector<char16_t> m_Prefix;
};

bool ParentFolderExists(const QString& path) {
    return QFileInfo(QFileInfo(path).absolutePath()).isDir();
}

} // namespace

LoadOutcome LogAnalysis::LoadLogFile(const QString& path) {
    LoadOutcome outcome;
    m_LogLines.Clear();
    ResetAnalysis();

    QFile file;
    std::optional<LoadFailure> failure = OpenLogFile(path, file);
    qint64 badRecords = 0;
    if (!failure) failure = ReadLogLines(file, badRecords);
    if (failure) {
        outcome.Result = failure->Kind;
        outcome.Problem = failure->Problem;
        // Nothing half-read is left for the pass: it finds no lines and does nothing.
        m_LogLines.Clear();
        if (failure->Kind == LoadOutcome::Kind::Missing)
            m_Host->ShowMessage(MessageIcon::Critical, u"Quillan Error"_s,
                                u"Error loading file. Please check the file path"_s);
        return outcome;
    }
    outcome.BadRecords = badRecords;

    if (m_LogLines.UpperBound() == 0) {
        outcome.Result = LoadOutcome::Kind::NoLines;
        outcome.Problem = u"No line begins with a date"_s;
        return outcome;
    }
    std::vector<char16_t> buffer;
    m_LogStart = LeadingDate(m_LogLines.Decode(1, buffer));
    m_LogEnd = LeadingDate(m_LogLines.Decode(m_LogLines.UpperBound(), buffer));
    file.close();

    if (badRecords > 0)
        m_Host->ShowMessage(MessageIcon::Information, u"Quillan"_s,
                            QString::number(badRecords) + u" bad records were ignored"_s);
    m_LogFilePath = path;
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
std::optional<LogAnalysis::LoadFailure> LogAnalysis::ReadLogLines(QFile& file, qint64& badRecords) {
    using Kind = LoadOutcome::Kind;
    const Encoding firstTry =
        PlatformFiles::LogsInSystemCodePage() ? Encoding::System : Encoding::Utf8;
    Encoding encoding = firstTry;
    int attempts = 0;
    qint64 judgedSize = -1; // the file's size when its bytes were found not to be UTF-8
    for (;;) {
        badRecords = 0;
        const qint64 sizeAtStart = file.size();
        m_LogLines.SetSizeHint(sizeAtStart);
        LineReader reader(file, m_LogLines, m_Formats, encoding, *m_Host);
        LineReader::Result result;
        try {
            result = reader.Run(badRecords);
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
            m_LogLines.Clear();
            if (!file.seek(0)) return LoadFailure{Kind::Failed, file.errorString()};
            break;
        case LineReader::Result::LineTooLong:
            return LoadFailure{Kind::Failed, u"A line is too long to be read"_s};
        case LineReader::Result::ReadError:
            return LoadFailure{Kind::Failed, file.errorString()};
        }
    }
}
