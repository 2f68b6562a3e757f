#include "controls/ControlError.h"

ControlError::ControlError(qint32 number, QString source, QString description)
    : std::runtime_error(description.toStdString()), number_(number), source_(std::move(source)),
      description_(std::move(description)) {}
