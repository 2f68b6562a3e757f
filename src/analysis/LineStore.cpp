#include "analysis/LineStore.h"

#include "analysis/TextDecoding.h"

#include "platform/Memory.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
constexpr qsizetype BlockBytes = qsizetype(8) << 20;
constexpr size_t ChunkWords = size_t(1) << 18;
// Lines are written once and read once, in order.
constexpr auto InOrder = PlatformMemory::Access::InOrder;

// Room for more elements ahead of time, grown by half again at least.
template <class Vector> void MakeRoomFor(Vector& vector, size_t more) {
    if (vector.capacity() - vector.size() >= more) return;
    vector.reserve(std::max(vector.size() + more, vector.capacity() + vector.capacity() / 2 + 8));
}
} // namespace

void LineStore::Free::operator()(char* data) const { PlatformMemory::FreeBlock(data); }
void LineStore::FreeWords::operator()(quint64* data) const {
    PlatformMemory::FreeBlock(reinterpret_cast<char*>(data));
}

QStringView DecodeLine(QByteArrayView bytes, LineEncoding encoding, std::vector<char16_t>& buffer) {
    if (buffer.size() < size_t(bytes.size())) buffer.resize(size_t(bytes.size()));
    qsizetype length = 0;
    if (encoding == LineEncoding::Windows1252) {
        length = DecodeWindows1252(bytes.data(), bytes.size(), buffer.data());
    } else {
        length = DecodeUtf8Strict(bytes.data(), bytes.size(), buffer.data());
        if (length < 0) // cannot happen for stored lines; stay safe for any caller
            length = DecodeWindows1252(bytes.data(), bytes.size(), buffer.data());
    }
    return QStringView(buffer.data(), length);
}

QString LineStore::Line(qint64 index) const {
    std::vector<char16_t> buffer;
    return Decode(index, buffer).toString();
}

QStringView LineStore::Decode(qint64 index, std::vector<char16_t>& buffer) const {
    return DecodeLine(Bytes(index), m_Encoding, buffer);
}

qint64 LineStore::FileLine(qint64 index) const {
    if (index < 1 || index > UpperBound()) return 0;
    const auto after =
        std::upper_bound(m_FileLines.begin(), m_FileLines.end(), index,
                         [](qint64 i, const auto& entry) { return i < entry.first; });
    if (after == m_FileLines.begin()) return 0;
    const auto& [from, fileLine] = *(after - 1);
    return fileLine + (index - from);
}

qsizetype LineStore::LongLength(qint64 index) const {
    const auto at = std::lower_bound(m_LongLengths.begin(), m_LongLengths.end(), index,
                                     [](const auto& entry, qint64 i) { return entry.first < i; });
    return at != m_LongLengths.end() && at->first == index ? at->second : 0;
}

// Room for a line at the end of the last block, or in a new one: a line longer than a block
// gets a block of its own size, over as many slots of the address space as it needs.
char* LineStore::Room(qsizetype length, quint64& offset) {
    if (m_Blocks.empty() || m_End - m_Next < quint64(length)) {
        qsizetype capacity = BlockBytes;
        if (m_Blocks.empty() && m_SizeHint >= 0)
            capacity = std::min<qsizetype>(BlockBytes, m_SizeHint + 4096);
        capacity = std::max<qsizetype>({capacity, length, 1});
        const quint64 spans = (quint64(capacity) + SlotBytes - 1) / SlotBytes;
        const quint64 start = quint64(m_Slots.size()) * SlotBytes;
        if (start + spans * SlotBytes > OffsetMask) throw std::bad_alloc();
        MakeRoomFor(m_Blocks, 1);
        MakeRoomFor(m_Slots, size_t(spans));
        char* block = PlatformMemory::AllocateBlock(size_t(capacity), InOrder);
        m_Blocks.emplace_back(block);
        for (quint64 i = 0; i < spans; ++i)
            m_Slots.push_back(block + i * SlotBytes);
        m_Next = start;
        m_End = start + quint64(capacity);
    }
    offset = m_Next;
    m_Next += quint64(length);
    return m_Slots[size_t(offset >> SlotBits)] + (offset & (SlotBytes - 1));
}

void LineStore::AppendAnyLine(QByteArrayView bytes, qint64 fileLine, bool longDate) {
    const qsizetype length = std::min<qsizetype>(bytes.size(), MaxLineLength);
    // Everything that can fail comes first, so that a failure leaves no half-kept line.
    const size_t chunk = size_t(quint64(m_Count) >> ChunkBits);
    const size_t within = size_t(quint64(m_Count) & (ChunkWords - 1));
    if (chunk == m_Chunks.size()) {
        // A small log's first words get a small chunk, grown to full size if it fills.
        size_t words = ChunkWords;
        if (chunk == 0 && m_SizeHint >= 0)
            words = std::clamp<size_t>(size_t(m_SizeHint / 32), 64, ChunkWords);
        MakeRoomFor(m_Chunks, 1);
        m_Chunks.emplace_back(
            reinterpret_cast<quint64*>(PlatformMemory::AllocateBlock(words * 8, InOrder)));
        m_FirstWords = chunk == 0 ? words : m_FirstWords;
        m_WordsEnd = qint64(chunk == 0 ? words : (chunk + 1) * ChunkWords);
    } else if (chunk == 0 && within == m_FirstWords) {
        std::unique_ptr<quint64[], FreeWords> full(
            reinterpret_cast<quint64*>(PlatformMemory::AllocateBlock(ChunkWords * 8, InOrder)));
        std::memcpy(full.get(), m_Chunks[0].get(), within * 8);
        m_Chunks[0] = std::move(full);
        m_FirstWords = ChunkWords;
        m_WordsEnd = qint64(ChunkWords);
    }
    if (length >= qsizetype(LengthMask)) MakeRoomFor(m_LongLengths, 1);
    const qint64 line = std::clamp<qint64>(fileLine, 0, 0x7FFFFFFF);
    const bool follows = m_Count > 0 && m_LastFileLine + 1 == line;
    if (!follows) MakeRoomFor(m_FileLines, 1);
    quint64 offset = 0;
    char* out = Room(length, offset);

    if (length > 0) std::memcpy(out, bytes.data(), size_t(length));
    const quint32 stored = length >= qsizetype(LengthMask) ? LengthMask : quint32(length);
    m_Chunks[chunk][within] =
        offset | (quint64(stored) << LengthShift) | (quint64(longDate ? 1 : 0) << 63);
    ++m_Count;
    if (stored == LengthMask) m_LongLengths.emplace_back(m_Count, length);
    if (!follows) m_FileLines.emplace_back(m_Count, line);
    m_LastFileLine = line;
}

void LineStore::Clear() {
    m_Blocks.clear();
    m_Blocks.shrink_to_fit();
    m_Slots.clear();
    m_Slots.shrink_to_fit();
    m_Chunks.clear();
    m_Chunks.shrink_to_fit();
    m_LongLengths.clear();
    m_LongLengths.shrink_to_fit();
    m_FileLines.clear();
    m_FileLines.shrink_to_fit();
    m_Next = m_End = 0;
    m_Count = 0;
    m_FirstWords = 0;
    m_WordsEnd = 0;
    m_LastFileLine = 0;
    m_Encoding = LineEncoding::Utf8;
    m_SizeHint = -1;
}
