#pragma once

#include "base/BlockSource.h"
#include "base/MixedText.h"

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <vector>

// A text kept in a TextArena, in eight bytes: Latin-1 when every character fits (nearly
// always), UTF-16 otherwise. A Latin-1 text may also stand for its ASCII upper or lower
// case, so that a record's key and file name can be read from its URL's own bytes.
class PackedText {
public:
    enum class Form : quint32 { Latin1, Wide, Upper, Lower };

    PackedText() = default;
    bool IsEmpty() const { return Size() == 0; }

private:
    friend class TextArena;
    // This size stands for a text too long to tell here, kept aside as it is.
    static constexpr quint32 AsideSize = 0x3FFFFFFF;

    PackedText(quint32 offset, quint32 size, Form form)
        : m_Offset(offset), m_SizeForm(size << 2 | quint32(form)) {}
    quint32 Size() const { return m_SizeForm >> 2; }
    Form TextForm() const { return Form(m_SizeForm & 3); }

    quint32 m_Offset = 0;
    quint32 m_SizeForm = 0;
};

// The texts of one collection's items, packed one after another in large chunks that are
// given back all at once: a record costs no allocation of its own and no header per text.
// Texts are addressed by 32-bit offsets, so one arena holds at most 4 GB of them; past that
// adding throws std::bad_alloc, as running out of memory does.
class TextArena {
public:
    // Its chunks come from source: the heap, unless the owner hands in another (the
    // analysis hands in the platform's large blocks, which sit on huge pages).
    explicit TextArena(BlockSource source = BlockSource::Heap()) : m_Source(source) {}
    ~TextArena() { Clear(); }
    TextArena(const TextArena&) = delete;
    TextArena& operator=(const TextArena&) = delete;

    PackedText Add(QStringView text);
    PackedText Add(QLatin1StringView text);
    // A part of a Latin-1 text (positions in characters), read in the given case.
    static PackedText CasedPart(PackedText latin1, qsizetype from, qsizetype size,
                                PackedText::Form form);

    QString Text(PackedText text) const;
    // The same text appended to out, with no string of its own on the way.
    void AppendTo(QString& out, PackedText text) const;
    // And without widening, where it is Latin-1.
    void AppendTo(MixedText& out, PackedText text) const;
    // The stored characters, for comparisons that ignore case: a cased part is read as the
    // bytes it was made from.
    bool IsLatin1(PackedText text) const;
    QLatin1StringView Latin1(PackedText text) const;
    QStringView Wide(PackedText text) const;
    // Starts fetching a text's first bytes, for a reader that knows what it reads next.
    void Foresee(PackedText text) const noexcept {
        if (text.IsEmpty() ||
            (text.TextForm() == PackedText::Form::Wide && text.Size() == PackedText::AsideSize))
            return;
        __builtin_prefetch(At(text.m_Offset));
    }

    void Clear();

private:
    static constexpr int SlotBits = 21; // 2 MB: a chunk sits on whole huge pages
    static constexpr std::size_t SlotBytes = std::size_t(1) << SlotBits;
    static constexpr std::size_t FirstChunk = 64 * 1024;    // small logs stay small
    static constexpr std::size_t LargeText = SlotBytes / 8; // larger texts get chunks of their own

    // Room for bytes (aligned for UTF-16 when wide): where it is, and its offset.
    char* Allocate(std::size_t bytes, bool wide, quint32& offset);
    const char* At(quint32 offset) const {
        return m_Slots[offset >> SlotBits] + (offset & (SlotBytes - 1));
    }
    PackedText Aside(QString text);

    BlockSource m_Source;
    std::vector<char*> m_Slots;   // the start of each 2 MB of offsets
    std::vector<char*> m_Chunks;  // what to give back
    std::size_t m_Next = 0;       // offset of the free room in the current chunk
    std::size_t m_Limit = 0;      // and where that chunk ends
    std::vector<QString> m_Aside; // texts longer than a packed size can tell
};
