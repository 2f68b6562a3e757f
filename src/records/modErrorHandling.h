#pragma once

#include <QString>
#include <exception>

// An error as the record classes raise it: number, source and description survive to
// whoever catches it.
class QuillanError : public std::exception {
public:
    QuillanError(qint32 number, QString source, QString description);

    qint32 Number() const { return m_Number; }
    const QString& Source() const { return m_Source; }
    const QString& Description() const { return m_Description; }
    const char* what() const noexcept override { return m_What.constData(); }

private:
    qint32 m_Number;
    QString m_Source;
    QString m_Description;
    QByteArray m_What;
};

// Base for errors defined by a component (0x80040000).
inline constexpr qint32 ObjectErrorBase = -2147221504;

// Numbers of the run-time failures the plain logic raises itself.
namespace ErrorNumbers {
inline constexpr qint32 InvalidArgument = 5;
inline constexpr qint32 Overflow = 6;
inline constexpr qint32 SubscriptOutOfRange = 9;
inline constexpr qint32 TypeMismatch = 13;
inline constexpr qint32 DuplicateKey = 457;
} // namespace ErrorNumbers

QString GetErrorText(qint32 ErrorNumber);

// Raises ObjectErrorBase + ErrorNumber with Location as its source.
[[noreturn]] void RaiseError(qint32 ErrorNumber, const QString& Location);

// Raises a plain run-time failure (not offset by the object base).
[[noreturn]] void RaiseRuntime(qint32 number, const QString& source, const QString& description);

// Runs an accessor body; any failure inside becomes RaiseError(9999, location).
template <class Body> auto TrapAccessor(const char* location, Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        RaiseError(9999, QString::fromLatin1(location));
    }
}
