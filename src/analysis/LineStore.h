#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

enum class LineEncoding { Utf8, Windows1252 };

// The kept lines of a log, LogLines(1) to LogLines(N); index 0 exists and is always empty.
// Lines are kept as the bytes the file holds (already known to decode cleanly), packed into
// large blocks that never move: a million lines cost one small record each rather than a
// heap string, take the file's size rather than twice it, and growing never copies.
class LineStore {
public:
    // Longest line kept (bytes); the reader refuses anything longer.
    static constexpr qsizetype MaxLineLength = 0x7FFFFFFF;

    qint64 UpperBound() const { return qint64(m_Lines.size()); }
    LineEncoding Encoding() const { return m_Encoding; }
    void SetEncoding(LineEncoding encoding) { m_Encoding = encoding; }

    QByteArrayView Bytes(qint64 index) const {
        if (index < 1 || index > UpperBound()) return {};
        const LineRef& ref = m_Lines[size_t(index - 1)];
        return QByteArrayView(ref.Data, qsizetype(ref.Length));
    }
    QString Line(qint64 index) const;
    QString operator[](qint64 index) const { return Line(index); }
    // Decodes the line into buffer (reusing its storage) and returns a view of it.
    QStringView Decode(qint64 index, std::vector<char16_t>& buffer) const;

    // Where the line stood in its file (1-based; 0 when unknown), for messages.
    qint64 FileLine(qint64 index) const {
        return index < 1 || index > UpperBound() ? 0 : m_Lines[size_t(index - 1)].FileLine;
    }
    // Whether the first ten characters formed a date when the line was read.
    bool LongDate(qint64 index) const {
        return index >= 1 && index <= UpperBound() && m_Lines[size_t(index - 1)].LongDate;
    }

    void Append(QByteArrayView bytes, qint64 fileLine = 0, bool longDate = false);
    // The bytes expected in all (the file's size), so that a small log gets a small block.
    void SetSizeHint(qint64 bytes) { m_SizeHint = bytes; }
    void Clear();

private:
    struct BlockFree {
        void operator()(char* data) const;
    };
    struct Block {
        std::unique_ptr<char[], BlockFree> Data;
        qsizetype Capacity = 0;
        qsizetype Used = 0;
    };
    struct LineRef {
        const char* Data;
        quint32 Length;
        quint32 FileLine : 31;
        quint32 LongDate : 1;
    };
    std::vector<Block> m_Blocks;
    std::vector<LineRef> m_Lines;
    LineEncoding m_Encoding = LineEncoding::Utf8;
    qint64 m_SizeHint = -1;
};

// Decodes bytes known to be in the given encoding.
QStringView DecodeLine(QByteArrayView bytes, LineEncoding encoding, std::vector<char16_t>& buffer);
