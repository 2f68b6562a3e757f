#include "records/LogKeys.h"

#include "records/modErrorHandling.h"

#include <new>

HashedKey LogKeys::Hashed(PackedText text, size_t hash) const {
    if (!m_Arena) return HashedKey(QStringView(), hash);
    return m_Arena->IsLatin1(text) ? HashedKey(m_Arena->Latin1(text), hash)
                                   : HashedKey(m_Arena->Wide(text), hash);
}

PackedText LogKeys::Write(const QString& value) {
    if (!m_Arena) throw std::bad_alloc(); // a link the collection did not make has no room
    return m_Arena->Add(QStringView(value));
}

QString LogKeys::Key() const { return Read(m_Key); }
void LogKeys::SetKey(const QString& value) {
    m_Key = Write(value);
    m_KeyHash = CaseInsensitiveHash(value);
}

QString LogKeys::LogKey() const {
    return TrapAccessor("LogKeys:LogKey Property Get", [&] { return Read(m_LogKey); });
}
void LogKeys::SetLogKey(const QString& value) { SetLogKey(value, CaseInsensitiveHash(value)); }
void LogKeys::SetLogKey(const QString& value, size_t hash) {
    TrapAccessor("LogKeys:LogKey Property Let", [&] {
        m_LogKey = Write(value);
        m_LogKeyHash = hash;
        m_Record = nullptr;
    });
}
QString LogKeys::FName() const {
    return TrapAccessor("LogKeys:FName Property Get", [&] { return Read(m_FName); });
}
void LogKeys::SetFName(const QString& value) {
    TrapAccessor("LogKeys:FName Property Let", [&] { m_FName = Write(value); });
}
