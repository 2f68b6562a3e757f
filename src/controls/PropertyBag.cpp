#include "controls/PropertyBag.h"

#include "base/QuillanError.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace {

std::optional<qint64> AsInteger(const PropertyBag::Value& v) {
    if (const auto* i = std::get_if<qint32>(&v)) return *i;
    if (const auto* s = std::get_if<qint16>(&v)) return *s;
    if (const auto* c = std::get_if<OleColor>(&v)) return qint64(quint32(*c));
    return std::nullopt;
}

// Converts an integer of one kind to the kind of `like`, as a 32-bit store would: colours and
// 32-bit integers share their bits, 16-bit integers refuse what does not fit.
std::optional<PropertyBag::Value> ConvertInteger(qint64 n, const PropertyBag::Value& like) {
    if (std::holds_alternative<OleColor>(like)) return OleColor(quint32(n));
    if (std::holds_alternative<qint32>(like)) return qint32(quint32(n));
    if (std::holds_alternative<qint16>(like) && n >= -32768 && n <= 32767) return qint16(n);
    return std::nullopt;
}

} // namespace

qsizetype PropertyBag::Find(const QString& name) const {
    for (qsizetype i = 0; i < m_Entries.size(); ++i)
        if (m_Entries[i].Name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void PropertyBag::Set(const QString& name, Value value) {
    const qsizetype i = Find(name);
    if (i >= 0)
        m_Entries[i].Data = std::move(value);
    else
        m_Entries.append({name, std::move(value)});
}

void PropertyBag::WriteProperty(const QString& name, const Value& value,
                                const Value& defaultValue) {
    if (value == defaultValue) {
        if (const qsizetype i = Find(name); i >= 0) m_Entries.removeAt(i);
        return;
    }
    Set(name, value);
}

PropertyBag::Value PropertyBag::Read(const QString& name, const Value& defaultValue) const {
    const qsizetype i = Find(name);
    if (i < 0) return defaultValue;
    const Value& stored = m_Entries[i].Data;
    if (stored.index() == defaultValue.index()) return stored;
    if (const auto n = AsInteger(stored))
        if (auto converted = ConvertInteger(*n, defaultValue)) return *std::move(converted);
    throw QuillanError(ErrorNumbers::TypeMismatch, u"PropertyBag"_s,
                       u"Type mismatch reading property "_s + name);
}

bool operator==(const PropertyBag::Entry& a, const PropertyBag::Entry& b) {
    return a.Name == b.Name && a.Data == b.Data;
}

bool operator==(const PropertyBag& a, const PropertyBag& b) { return a.m_Entries == b.m_Entries; }
