#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstring>
#include <memory>
#include <vector>

enum class LineEncoding { Utf8, Windows1252 };

// The kept lines of a log, LogLines(1) to LogLines(N); index 0 exists and is always empty.
// Lines are kept as the bytes the file holds (already known to decode cleanly), packed into
// large blocks that never move: a million lines cost eight bytes each rather than a heap
// string, take the file's size rather than twice it, and growing never copies.
class LineStore {
public:
    // Longest line kept (bytes); the reader refuses anything longer.
    static constexpr qsizetype MaxLineLength = 0x7FFFFFFF;

    LineStore() = default;
    ~LineStore() { Clear(); }
    LineStore(const LineStore&) = delete;
    LineStore& operator=(const LineStore&) = delete;

    qint64 UpperBound() const { return m_Count; }
    LineEncoding Encoding() const { return m_Encoding; }
    void SetEncoding(LineEncoding encoding) { m_Encoding = encoding; }

    QByteArrayView Bytes(qint64 index) const {
        if (index < 1 || index > UpperBound()) return {};
        const quint64 ref = Ref(index);
        const quint64 offset = ref & OffsetMask;
        const char* data = m_Slots[size_t(offset >> SlotBits)] + (offset & (SlotBytes - 1));
        const quint32 length = quint32(ref >> LengthShift) & LengthMask;
        return QByteArrayView(data, length == LengthMask ? LongLength(index) : qsizetype(length));
    }
    QString Line(qint64 index) const;
    QString operator[](qint64 index) const { return Line(index); }
    // Decodes the line into buffer (reusing its storage) and returns a view of it.
    QStringView Decode(qint64 index, std::vector<char16_t>& buffer) const;

    // Where the line stood in its file (1-based; 0 when unknown), for messages.
    qint64 FileLine(qint64 index) const;
    // Whether the first ten characters formed a date when the line was read.
    bool LongDate(qint64 index) const {
        return index >= 1 && index <= UpperBound() && (Ref(index) >> 63) != 0;
    }

    void Append(QByteArrayView bytes, qint64 fileLine = 0, bool longDate = false) {
        // Nearly every line follows the last one in the file and fits where the last one
        // ended; the rest take the long way.
        const qsizetype length = bytes.size();
        if (fileLine != m_LastFileLine + 1 || fileLine > 0x7FFFFFFF || m_Count == 0 ||
            m_Count >= m_WordsEnd || length >= qsizetype(LengthMask) ||
            m_End - m_Next < quint64(length))
            return AppendAnyLine(bytes, fileLine, longDate);
        char* out = m_Slots[size_t(m_Next >> SlotBits)] + (m_Next & (SlotBytes - 1));
        if (length > 0) std::memcpy(out, bytes.data(), size_t(length));
        const quint64 i = quint64(m_Count);
        m_Chunks[size_t(i >> ChunkBits)][i & ((quint64(1) << ChunkBits) - 1)] =
            m_Next | (quint64(length) << LengthShift) | (quint64(longDate ? 1 : 0) << 63);
        m_Next += quint64(length);
        ++m_Count;
        m_LastFileLine = fileLine;
    }
    // The bytes expected in all (the file's size), so that a small log gets a small block.
    void SetSizeHint(qint64 bytes) { m_SizeHint = bytes; }
    void Clear();

private:
    // A line is one 64-bit word: where its bytes start (40 bits of an address space cut
    // into 8 MB slots), its length (23 bits; longer lines are noted aside) and the date bit.
    static constexpr int SlotBits = 23;
    static constexpr quint64 SlotBytes = quint64(1) << SlotBits;
    static constexpr quint64 OffsetMask = (quint64(1) << 40) - 1;
    static constexpr int LengthShift = 40;
    static constexpr quint32 LengthMask = (1u << 23) - 1;
    // Words come in chunks of 2 MB, which sit on huge pages and never move.
    static constexpr int ChunkBits = 18;

    quint64 Ref(qint64 index) const {
        const quint64 i = quint64(index - 1);
        return m_Chunks[size_t(i >> ChunkBits)][i & ((quint64(1) << ChunkBits) - 1)];
    }
    qsizetype LongLength(qint64 index) const;
    void AppendAnyLine(QByteArrayView bytes, qint64 fileLine, bool longDate);
    char* Room(qsizetype length, quint64& offset);

    struct Free {
        void operator()(char* data) const;
    };
    struct FreeWords {
        void operator()(quint64* data) const;
    };
    std::vector<std::unique_ptr<char[], Free>> m_Blocks;
    std::vector<char*> m_Slots; // the start of each 8 MB of the address space
    quint64 m_Next = 0;         // where the free room of the last block starts
    quint64 m_End = 0;          // and where it ends
    std::vector<std::unique_ptr<quint64[], FreeWords>> m_Chunks;
    qint64 m_Count = 0;
    size_t m_FirstWords = 0; // words the first chunk holds
    qint64 m_WordsEnd = 0;   // lines the chunks hold room for
    qint64 m_LastFileLine = 0;
    // Lines too long for their word: (index, length), in index order.
    std::vector<std::pair<qint64, qsizetype>> m_LongLengths;
    // Where the file lines stop following on from the kept ones: (index, file line), in
    // index order; line i is the file line of the last entry at or before it plus the
    // distance. Only dropped lines add entries.
    std::vector<std::pair<qint64, qint64>> m_FileLines;
    LineEncoding m_Encoding = LineEncoding::Utf8;
    qint64 m_SizeHint = -1;
};

// Decodes bytes known to be in the given encoding.
QStringView DecodeLine(QByteArrayView bytes, LineEncoding encoding, std::vector<char16_t>& buffer);
