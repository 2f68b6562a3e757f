#include "records/LogKeys.h"

#include "records/modErrorHandling.h"

QString LogKeys::LogKey() const {
    return TrapAccessor("LogKeys:LogKey Property Get", [&] { return m_LogKey; });
}
void LogKeys::SetLogKey(const QString& value) {
    TrapAccessor("LogKeys:LogKey Property Let", [&] {
        m_LogKey = value;
        m_LogKeyHash = CaseInsensitiveHash(m_LogKey);
        m_Record = nullptr;
    });
}
void LogKeys::SetLogKey(const QString& value, size_t hash) {
    TrapAccessor("LogKeys:LogKey Property Let", [&] {
        m_LogKey = value;
        m_LogKeyHash = hash;
        m_Record = nullptr;
    });
}
QString LogKeys::FName() const {
    return TrapAccessor("LogKeys:FName Property Get", [&] { return m_FName; });
}
void LogKeys::SetFName(const QString& value) {
    TrapAccessor("LogKeys:FName Property Let", [&] { m_FName = value; });
}
