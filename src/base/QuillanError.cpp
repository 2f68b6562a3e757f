#include "base/QuillanError.h"

using namespace Qt::StringLiterals;

QuillanError::QuillanError(qint32 number, QString source, QString description)
    : m_Number(number), m_Source(std::move(source)), m_Description(std::move(description)),
      m_What((m_Source + u": "_s + m_Description).toUtf8()) {}
