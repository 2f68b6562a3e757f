#pragma once

#include <QString>
#include <stdexcept>
#include <utility>

// A failure raised to the caller of a control's setter or of the property bag, carrying the
// number, source and description the rest of the program reports errors with.
class ControlError : public std::runtime_error {
public:
    enum : qint32 { TypeMismatch = 13, InvalidPropertyValue = 380 };

    ControlError(qint32 number, QString source, QString description);

    qint32 Number() const { return number_; }
    const QString& Source() const { return source_; }
    const QString& Description() const { return description_; }

private:
    qint32 number_;
    QString source_;
    QString description_;
};
