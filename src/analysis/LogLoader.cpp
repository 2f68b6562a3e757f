// Reading a log file into LogLines.
#include "analysis/LineFormat.h"
#include "analysis/LogAnalysis.h"
#include "analysis/TextDecoding.h"
#include "analysis/TextRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstring>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

enum class Encoding { Utf8, Windows1252, System };

constexpr qint64 ReadBlock = qint64(4) << 20;

// Splits the file into lines at CR or CR LF (a lone LF stays inside its line), decodes
// each and keeps those that begin with a date. Returns false when the bytes turn out not
// to be UTF-8, so that the caller starts again as Windows-1252.
class LineReader {
public:
    LineReader(QFile& file, LineStore& store, const LocaleFormats& formats, Encoding encoding)
        : m_File(file), m_Store(store), m_Formats(formats), m_Encoding(encoding) {}

    enum class Result { Done, NotUtf8, ReadError, LineTooLong };

    Result Run(qint64& badRecords) {
        // A small log needs no large buffer; a growing one still reads to its end.
        const qint64 block = std::min<qint64>(ReadBlock, std::max<qint64>(m_File.size(), 0) + 65536);
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
                if (carry > 0)
                    std::memcpy(bigger.get(), buffer.get(), size_t(carry));
                buffer = std::move(bigger);
                capacity = carry + block;
            }
            const qint64 got = m_File.read(buffer.get() + carry, block);
            if (got < 0)
                return Result::ReadError;
            const bool atEnd = got == 0;
            qsizetype size = carry + qsizetype(got);
            const char* data = buffer.get();
            qsizetype pos = 0;
            if (first && (size >= 3 || atEnd)) {
                if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0)
                    pos = 3;
                first = false;
            }
            if (skipLineFeed && pos < size) {
                if (data[pos] == '\n')
                    ++pos;
                skipLineFeed = false;
            }
            for (;;) {
                const char* cr = static_cast<const char*>(std::memchr(data + pos, '\r', size_t(size - pos)));
                if (!cr)
                    break;
                const qsizetype end = cr - data;
                const Result r = Take(QByteArrayView(data + pos, end - pos), ++fileLine, badRecords);
                if (r != Result::Done)
                    return r;
                pos = end + 1;
                if (pos < size) {
                    if (data[pos] == '\n')
                        ++pos;
                } else {
                    skipLineFeed = true;
                }
            }
            if (atEnd) {
                // The last line needs no end marker.
                if (pos < size) {
                    const Result r = Take(QByteArrayView(data + pos, size - pos), ++fileLine, badRecords);
                    if (r != Result::Done)
                        return r;
                }
                return Result::Done;
            }
            carry = size - pos;
            if (carry > 0 && pos > 0)
                std::memmove(buffer.get(), data + pos, size_t(carry));
        }
    }

private:
    Result Take(QByteArrayView bytes, qint64 fileLine, qint64& badRecords) {
        if (bytes.size() > LineStore::MaxLineLength)
            return Result::LineTooLong;
        LineEncoding stored = LineEncoding::Windows1252;
        QByteArray converted;
        switch (m_Encoding) {
        case Encoding::Utf8:
            if (!IsValidUtf8(bytes.data(), bytes.size()))
                return Result::NotUtf8;
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
        // every line) is widened as it stands; otherwise decode enough bytes for ten
        // characters, cut on a character boundary.
        QStringView prefix;
        const qsizetype ten = std::min<qsizetype>(bytes.size(), 10);
        qsizetype ascii = 0;
        while (ascii < ten && static_cast<unsigned char>(bytes[ascii]) < 0x80) {
            m_Ascii[ascii] = char16_t(bytes[ascii]);
            ++ascii;
        }
        if (ascii == ten) {
            prefix = QStringView(m_Ascii, ten);
        } else {
            qsizetype cut = std::min<qsizetype>(bytes.size(), 40);
            while (stored == LineEncoding::Utf8 && cut < bytes.size() && cut > 0 &&
                   (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
                --cut;
            prefix = DecodeLine(bytes.first(cut), stored, m_Prefix);
        }
        const bool longDate = IsDate(LeftOf(prefix, 10), m_Formats);
        if (longDate || IsDate(LeftOf(prefix, 8), m_Formats)) {
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
    QStringDecoder m_System{QStringDecoder::System};
    std::vector<char16_t> m_Prefix;
    char16_t m_Ascii[10];
};

bool ParentFolderExists(const QString& path) {
    return QFileInfo(QFileInfo(path).absolutePath()).isDir();
}

} // namespace

LoadOutcome LogAnalysis::LoadLogFile(const QString& path) {
    LoadOutcome outcome;
    LogLines.Clear();
    ResetAnalysis();

    auto fail = [&](LoadOutcome::Kind kind, const QString& problem) {
        outcome.Result = kind;
        outcome.Problem = problem;
        // Nothing half-read is left for the pass: it finds no lines and does nothing.
        LogLines.Clear();
        if (kind == LoadOutcome::Kind::Missing)
            m_Host->ShowMessage(MessageIcon::Critical, u"Quillan Error"_s,
                                u"Error loading file. Please check the file path"_s);
        return outcome;
    };

    if (path.isEmpty())
        return fail(LoadOutcome::Kind::Failed, u"No file name was given"_s);
    const QFileInfo info(path);
    if (!info.exists()) {
        // Only a missing file in an existing folder counts as "file not found".
        if (ParentFolderExists(path))
            return fail(LoadOutcome::Kind::Missing, u"The file does not exist"_s);
        return fail(LoadOutcome::Kind::Failed, u"The folder does not exist"_s);
    }
    LogFileStamp = FileStamp(path);
    m_Host->HideLogChanged();

    if (info.isDir())
        return fail(LoadOutcome::Kind::Failed, u"The path is a folder, not a file"_s);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (!file.exists())
            return fail(LoadOutcome::Kind::Missing, u"The file does not exist"_s);
        return fail(LoadOutcome::Kind::Failed, file.errorString());
    }

#ifdef Q_OS_WIN
    Encoding encoding = Encoding::System;
#else
    Encoding encoding = Encoding::Utf8;
#endif
    qint64 badRecords = 0;
    for (;;) {
        badRecords = 0;
        LogLines.SetSizeHint(info.size());
        LineReader reader(file, LogLines, m_Formats, encoding);
        const auto result = reader.Run(badRecords);
        if (result == LineReader::Result::Done)
            break;
        if (result == LineReader::Result::NotUtf8) {
            // GetRight writes the Windows code page; a log copied from Windows is read as such.
            LogLines.Clear();
            if (!file.seek(0))
                return fail(LoadOutcome::Kind::Failed, file.errorString());
            encoding = Encoding::Windows1252;
            continue;
        }
        if (result == LineReader::Result::LineTooLong)
            return fail(LoadOutcome::Kind::Failed, u"A line is too long to be read"_s);
        return fail(LoadOutcome::Kind::Failed, file.errorString());
    }
    outcome.BadRecords = badRecords;

    if (LogLines.UpperBound() == 0) {
        outcome.Result = LoadOutcome::Kind::NoLines;
        outcome.Problem = u"No line begins with a date"_s;
        return outcome;
    }
    std::vector<char16_t> buffer;
    LogStart = LeadingDate(LogLines.Decode(1, buffer));
    LogEnd = LeadingDate(LogLines.Decode(LogLines.UpperBound(), buffer));
    file.close();

    if (badRecords > 0)
        m_Host->ShowMessage(MessageIcon::Information, u"Quillan"_s,
                            QString::number(badRecords) + u" bad records were ignored"_s);
    LogFilePath = path;
    outcome.Result = LoadOutcome::Kind::Loaded;
    return outcome;
}
