#include "base/AsciiCase.h"

#include <QString>

namespace {

template <char16_t (*Map)(char16_t) noexcept> bool AsciiMap(QStringView text, QString& out) {
    if (!IsAscii(text)) return false;
    out.resize(text.size());
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    const char16_t* p = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i)
        o[i] = Map(p[i]);
    return true;
}

} // namespace

bool AsciiEqualIgnoringCase(QStringView a, QStringView b) noexcept {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i].unicode()) != AsciiLower(b[i].unicode())) return false;
    return true;
}

bool AsciiToUpper(QStringView text, QString& out) { return AsciiMap<AsciiUpper>(text, out); }
bool AsciiToLower(QStringView text, QString& out) { return AsciiMap<AsciiLower>(text, out); }
