#include "records/modErrorHandling.h"

#include <limits>

using namespace Qt::StringLiterals;

QString GetErrorText(qint32 /*ErrorNumber*/) {
    // The program carries no string table, so every number falls through to this text.
    return u"An unknown error has occurred!"_s;
}

void RaiseError(qint32 ErrorNumber, const QString& Location) {
    const qint64 number = qint64(ObjectErrorBase) + ErrorNumber;
    if (number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
        RaiseRuntime(ErrorNumbers::Overflow, u"RaiseError"_s, u"Overflow"_s);
    throw QuillanError(qint32(number), Location, GetErrorText(ErrorNumber));
}

void RaiseRuntime(qint32 number, const QString& source, const QString& description) {
    throw QuillanError(number, source, description);
}
