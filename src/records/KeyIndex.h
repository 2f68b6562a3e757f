#pragma once

#include "base/OpenIndex.h"

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

// Keys compare without regard to letter case. A key may be UTF-16 text or Latin-1 bytes (as
// a log line's ASCII holds them): the same characters hash and compare alike in either form.
size_t CaseInsensitiveHash(QStringView key) noexcept;
size_t CaseInsensitiveHash(QLatin1StringView key) noexcept;
bool CaseInsensitiveEqual(QStringView a, QStringView b) noexcept;
bool CaseInsensitiveEqual(QStringView a, QLatin1StringView b) noexcept;
bool CaseInsensitiveEqual(QLatin1StringView a, QLatin1StringView b) noexcept;

// A key with its hash, so that one key used for several lookups is hashed once.
class HashedKey {
public:
    HashedKey(QStringView key) : HashedKey(key, CaseInsensitiveHash(key)) {}
    HashedKey(const QString& key) : HashedKey(QStringView(key)) {}
    HashedKey(QStringView key, size_t hash)
        : m_Data(key.utf16()), m_Size(key.size()), m_Latin1(false), m_Hash(hash) {}
    explicit HashedKey(QLatin1StringView key) : HashedKey(key, CaseInsensitiveHash(key)) {}
    HashedKey(QLatin1StringView key, size_t hash)
        : m_Data(key.data()), m_Size(key.size()), m_Latin1(true), m_Hash(hash) {}

    size_t Hash() const { return m_Hash; }
    bool IsEmpty() const { return m_Size == 0; }
    bool IsLatin1() const { return m_Latin1; }
    QStringView Text() const {
        return m_Latin1 ? QStringView() : QStringView(static_cast<const char16_t*>(m_Data), m_Size);
    }
    QLatin1StringView Latin1() const {
        return m_Latin1 ? QLatin1StringView(static_cast<const char*>(m_Data), m_Size)
                        : QLatin1StringView();
    }
    // Whether key is this one, letter case aside.
    template <class Key> bool Matches(Key key) const {
        return m_Latin1 ? CaseInsensitiveEqual(key, Latin1()) : CaseInsensitiveEqual(Text(), key);
    }

private:
    const void* m_Data;
    qsizetype m_Size;
    bool m_Latin1;
    size_t m_Hash;
};

// The keyed collections' index: full-width hashes of keys that ignore letter case.
using KeyIndex = OpenIndex<size_t>;
