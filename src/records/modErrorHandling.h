#pragma once

#include "base/QuillanError.h"

#include <QString>

// Base for errors defined by a component (0x80040000).
inline constexpr qint32 ObjectErrorBase = -2147221504;

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
