#include "analysis/LineStore.h"

#include "analysis/TextDecoding.h"

#include "platform/Memory.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr qsizetype BlockBytes = qsizetype(8) << 20;
}

void LineStore::BlockFree::operator()(char* data) const { PlatformMemory::FreeBlock(data); }

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

void LineStore::Append(QByteArrayView bytes, qint64 fileLine, bool longDate) {
    const qsizetype length = std::min<qsizetype>(bytes.size(), MaxLineLength);
    if (m_Blocks.empty() || m_Blocks.back().Capacity - m_Blocks.back().Used < length) {
        // A line longer than a block gets a block of its own size.
        qsizetype capacity = BlockBytes;
        if (m_Blocks.empty() && m_SizeHint >= 0)
            capacity = std::min<qsizetype>(BlockBytes, m_SizeHint + 4096);
        capacity = std::max<qsizetype>({capacity, length, 1});
        m_Blocks.push_back(Block{
            std::unique_ptr<char[], BlockFree>(PlatformMemory::AllocateBlock(size_t(capacity))),
            capacity, 0});
    }
    Block& block = m_Blocks.back();
    char* out = block.Data.get() + block.Used;
    if (length > 0) std::memcpy(out, bytes.data(), size_t(length));
    block.Used += length;
    m_Lines.push_back(LineRef{out, quint32(length),
                              quint32(std::clamp<qint64>(fileLine, 0, 0x7FFFFFFF)),
                              longDate ? 1u : 0u});
}

void LineStore::Clear() {
    m_Blocks.clear();
    m_Lines.clear();
    m_Lines.shrink_to_fit();
    m_Encoding = LineEncoding::Utf8;
    m_SizeHint = -1;
}
