#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A failure raised to whoever catches it, from the records and the controls alike: the
// number, source and description the program reports errors with.
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

// Numbers of the run-time failures the plain logic raises itself.
namespace ErrorNumbers {
inline constexpr qint32 InvalidArgument = 5;
inline constexpr qint32 Overflow = 6;
inline constexpr qint32 SubscriptOutOfRange = 9;
inline constexpr qint32 TypeMismatch = 13;
inline constexpr qint32 InvalidPropertyValue = 380;
inline constexpr qint32 DuplicateKey = 457;
} // namespace ErrorNumbers
