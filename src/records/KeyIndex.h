#pragma once

#include "base/OpenIndex.h"

#include <QString>
#include <QStringView>

// Keys compare without regard to letter case.
size_t CaseInsensitiveHash(QStringView key) noexcept;
bool CaseInsensitiveEqual(QStringView a, QStringView b) noexcept;

// A key with its hash, so that one key used for several lookups is hashed once.
struct HashedKey {
    HashedKey(QStringView key) : Key(key), Hash(CaseInsensitiveHash(key)) {}
    HashedKey(const QString& key) : HashedKey(QStringView(key)) {}
    HashedKey(QStringView key, size_t hash) : Key(key), Hash(hash) {}
    QStringView Key;
    size_t Hash;
};

// The keyed collections' index: full-width hashes of keys that ignore letter case.
using KeyIndex = OpenIndex<size_t>;
