#pragma once

#include <QLoggingCategory>

// The window's own log: failures a command recovers from without telling the user.
Q_DECLARE_LOGGING_CATEGORY(lcShell)
