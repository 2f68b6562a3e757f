#include "analysis/LineStore.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr qsizetype BlockUnits = qsizetype(4) << 20; // 8 MB of UTF-16 per block
}

char16_t* LineStore::Reserve(qsizetype maxLength) {
    if (m_Blocks.empty() || m_Blocks.back().Capacity - m_Blocks.back().Used < maxLength) {
        // A line longer than a block gets a block of its own size.
        const qsizetype capacity = std::max(BlockUnits, maxLength);
        if (!m_Blocks.empty() && m_Blocks.back().Used == 0)
            m_Blocks.pop_back();
        m_Blocks.push_back(Block{std::make_unique_for_overwrite<char16_t[]>(size_t(std::max<qsizetype>(capacity, 1))),
                                 capacity, 0});
    }
    Block& block = m_Blocks.back();
    m_Reserved = block.Data.get() + block.Used;
    return m_Reserved;
}

void LineStore::Commit(qsizetype length, qint64 fileLine) {
    Block& block = m_Blocks.back();
    // Callers never reserve more than MaxLineLength units.
    m_Lines.push_back(LineRef{m_Reserved, quint32(length),
                              quint32(std::clamp<qint64>(fileLine, 0, 0xFFFFFFFF))});
    block.Used += length;
    m_Reserved = nullptr;
}

void LineStore::Append(QStringView line, qint64 fileLine) {
    const qsizetype length = std::min<qsizetype>(line.size(), MaxLineLength);
    char16_t* out = Reserve(length);
    std::memcpy(out, line.utf16(), size_t(length) * sizeof(char16_t));
    Commit(length, fileLine);
}

void LineStore::Clear() {
    m_Blocks.clear();
    m_Lines.clear();
    m_Lines.shrink_to_fit();
    m_Reserved = nullptr;
}

void LineStore::Shrink(qint64 upperBound) {
    if (upperBound < UpperBound())
        m_Lines.resize(size_t(std::max<qint64>(upperBound, 0)));
}

size_t LineStore::MemoryBytes() const {
    size_t bytes = m_Lines.capacity() * sizeof(LineRef);
    for (const Block& block : m_Blocks)
        bytes += size_t(block.Capacity) * sizeof(char16_t);
    return bytes;
}
