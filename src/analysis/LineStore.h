#pragma once

#include <QStringView>

#include <memory>
#include <vector>

// The kept lines of a log, LogLines(1) to LogLines(N); index 0 exists and is always empty.
// Lines are packed into large UTF-16 blocks that never move, so a million lines cost a
// million small records rather than a million heap strings, and growing never copies.
class LineStore {
public:
    // Longest line kept whole (units); anything longer is refused by the reader.
    static constexpr qsizetype MaxLineLength = 0x7FFFFFFF;

    qint64 UpperBound() const { return qint64(m_Lines.size()); }
    QStringView Line(qint64 index) const {
        if (index < 1 || index > UpperBound())
            return {};
        const LineRef& ref = m_Lines[size_t(index - 1)];
        return QStringView(ref.Data, ref.Length);
    }
    QStringView operator[](qint64 index) const { return Line(index); }

    // Where the line stood in its file (1-based; 0 when unknown), for messages.
    qint64 FileLine(qint64 index) const {
        return index < 1 || index > UpperBound() ? 0 : m_Lines[size_t(index - 1)].FileLine;
    }

    // Room for a line of at most maxLength units; fill it, then Commit or leave it.
    char16_t* Reserve(qsizetype maxLength);
    void Commit(qsizetype length, qint64 fileLine = 0);
    void Append(QStringView line, qint64 fileLine = 0);

    void Clear();
    // Keeps lines 1 to upperBound.
    void Shrink(qint64 upperBound);
    size_t MemoryBytes() const;

private:
    struct Block {
        std::unique_ptr<char16_t[]> Data;
        qsizetype Capacity = 0;
        qsizetype Used = 0;
    };
    struct LineRef {
        const char16_t* Data;
        quint32 Length;
        quint32 FileLine;
    };
    std::vector<Block> m_Blocks;
    std::vector<LineRef> m_Lines;
    char16_t* m_Reserved = nullptr;
};
