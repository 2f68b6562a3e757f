#include "records/TextArena.h"

#include "base/AsciiCase.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Room for more elements, grown by half again at least, taken before anything changes.
template <class Vector> void MakeRoomFor(Vector& vector, std::size_t more) {
    if (vector.capacity() - vector.size() >= more) return;
    vector.reserve(std::max(vector.size() + more, vector.capacity() + vector.capacity() / 2 + 8));
}

} // namespace

char* TextArena::Allocate(std::size_t bytes, bool wide, quint32& offset) {
    constexpr std::size_t Addressable = std::size_t(1) << 32;
    if (bytes > LargeText) {
        // A chunk of its own, over as many whole spans as it needs.
        const std::size_t spans = (bytes + SlotBytes - 1) / SlotBytes;
        const std::size_t start = m_Slots.size() * SlotBytes;
        if (start + spans * SlotBytes > Addressable) throw std::bad_alloc();
        MakeRoomFor(m_Slots, spans);
        MakeRoomFor(m_Chunks, 1);
        char* chunk = m_Source.Allocate(bytes);
        m_Chunks.push_back(chunk);
        for (std::size_t i = 0; i < spans; ++i)
            m_Slots.push_back(chunk + i * SlotBytes);
        offset = quint32(start);
        return chunk;
    }
    if (wide) m_Next = (m_Next + 1) & ~std::size_t(1);
    if (m_Next + bytes > m_Limit) {
        const std::size_t capacity = m_Slots.empty() ? FirstChunk : SlotBytes;
        const std::size_t start = m_Slots.size() * SlotBytes;
        if (start + capacity > Addressable) throw std::bad_alloc();
        MakeRoomFor(m_Slots, 1);
        MakeRoomFor(m_Chunks, 1);
        char* chunk = m_Source.Allocate(capacity);
        m_Chunks.push_back(chunk);
        m_Slots.push_back(chunk);
        m_Next = start;
        m_Limit = start + capacity;
    }
    offset = quint32(m_Next);
    m_Next += bytes;
    return const_cast<char*>(At(offset));
}

PackedText TextArena::Aside(QString text) {
    const quint32 index = quint32(m_Aside.size());
    m_Aside.push_back(std::move(text));
    return PackedText(index, PackedText::AsideSize, PackedText::Form::Wide);
}

PackedText TextArena::Add(QLatin1StringView text) {
    if (text.isEmpty()) return {};
    if (quint64(text.size()) >= PackedText::AsideSize) return Aside(QString(text));
    quint32 offset = 0;
    char* out = Allocate(size_t(text.size()), false, offset);
    std::memcpy(out, text.data(), size_t(text.size()));
    return PackedText(offset, quint32(text.size()), PackedText::Form::Latin1);
}

PackedText TextArena::Add(QStringView text) {
    if (text.isEmpty()) return {};
    if (quint64(text.size()) >= PackedText::AsideSize) return Aside(text.toString());
    const char16_t* units = text.utf16();
    bool latin1 = true;
    qsizetype i = 0;
    for (; i + 4 <= text.size() && latin1; i += 4) {
        quint64 four;
        std::memcpy(&four, units + i, 8);
        latin1 = !(four & 0xFF00FF00FF00FF00ull);
    }
    for (; i < text.size() && latin1; ++i)
        latin1 = units[i] <= 0xFF;
    quint32 offset = 0;
    if (latin1) {
        char* out = Allocate(size_t(text.size()), false, offset);
        for (qsizetype j = 0; j < text.size(); ++j)
            out[j] = char(units[j]);
        return PackedText(offset, quint32(text.size()), PackedText::Form::Latin1);
    }
    char* out = Allocate(size_t(text.size()) * 2, true, offset);
    std::memcpy(out, units, size_t(text.size()) * 2);
    return PackedText(offset, quint32(text.size()), PackedText::Form::Wide);
}

PackedText TextArena::CasedPart(PackedText latin1, qsizetype from, qsizetype size,
                                PackedText::Form form) {
    Q_ASSERT(latin1.TextForm() == PackedText::Form::Latin1 &&
             latin1.Size() != PackedText::AsideSize);
    Q_ASSERT(from >= 0 && size >= 0 && from + size <= qsizetype(latin1.Size()));
    if (size == 0) return {};
    return PackedText(latin1.m_Offset + quint32(from), quint32(size), form);
}

bool TextArena::IsLatin1(PackedText text) const {
    return text.TextForm() != PackedText::Form::Wide;
}

QLatin1StringView TextArena::Latin1(PackedText text) const {
    if (text.IsEmpty() || text.TextForm() == PackedText::Form::Wide) return {};
    return QLatin1StringView(At(text.m_Offset), qsizetype(text.Size()));
}

QStringView TextArena::Wide(PackedText text) const {
    if (text.IsEmpty() || text.TextForm() != PackedText::Form::Wide) return {};
    if (text.Size() == PackedText::AsideSize) return m_Aside[text.m_Offset];
    return QStringView(reinterpret_cast<const char16_t*>(At(text.m_Offset)),
                       qsizetype(text.Size()));
}

QString TextArena::Text(PackedText text) const {
    QString out;
    AppendTo(out, text);
    return out;
}

void TextArena::AppendTo(QString& out, PackedText text) const {
    switch (text.TextForm()) {
    case PackedText::Form::Wide:
        out.append(Wide(text));
        return;
    case PackedText::Form::Latin1:
        out.append(Latin1(text));
        return;
    case PackedText::Form::Upper:
    case PackedText::Form::Lower: {
        const qsizetype from = out.size();
        out.append(Latin1(text));
        char16_t* units = reinterpret_cast<char16_t*>(out.data());
        const bool upper = text.TextForm() == PackedText::Form::Upper;
        for (qsizetype i = from; i < out.size(); ++i)
            units[i] = upper ? AsciiUpper(units[i]) : AsciiLower(units[i]);
        return;
    }
    }
}

void TextArena::AppendTo(MixedText& out, PackedText text) const {
    switch (text.TextForm()) {
    case PackedText::Form::Wide:
        out.Append(Wide(text));
        return;
    case PackedText::Form::Latin1:
        out.Append(Latin1(text));
        return;
    case PackedText::Form::Upper:
    case PackedText::Form::Lower:
        if (out.IsWide()) {
            QString cased;
            AppendTo(cased, text);
            out.Append(QStringView(cased));
            return;
        }
        std::vector<char>& bytes = out.Bytes();
        const size_t from = bytes.size();
        out.Append(Latin1(text));
        // Only ASCII letters change, a loop per direction that the compiler runs wide.
        uchar* const cased = reinterpret_cast<uchar*>(bytes.data());
        const uchar first = text.TextForm() == PackedText::Form::Upper ? 'a' : 'A';
        const uchar flip = 0x20;
        for (size_t i = from; i < bytes.size(); ++i)
            cased[i] ^= uchar(cased[i] - first) < 26 ? flip : 0;
        return;
    }
}

void TextArena::Clear() {
    for (char* chunk : m_Chunks)
        m_Source.Free(chunk);
    m_Chunks.clear();
    m_Slots.clear();
    m_Aside.clear();
    m_Next = m_Limit = 0;
}
