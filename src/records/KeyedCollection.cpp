#include "records/KeyedCollection.h"

#include <QChar>

size_t CaseInsensitiveHash::operator()(const QString& key) const noexcept {
    // FNV-1a over case-folded code points, so that keys equal without regard to case hash alike.
    size_t hash = 14695981039346656037ull;
    const char16_t* p = reinterpret_cast<const char16_t*>(key.constData());
    const char16_t* end = p + key.size();
    while (p < end) {
        char32_t c = *p++;
        if (c < 0x80) {
            if (c >= u'A' && c <= u'Z')
                c += 0x20;
        } else {
            if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p))
                c = QChar::surrogateToUcs4(char16_t(c), *p++);
            c = QChar::toCaseFolded(c);
        }
        hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}
