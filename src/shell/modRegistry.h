#pragma once

#include "platform/SettingsReader.h"

#include <QString>

// Where GetRight keeps the path of its log.
namespace GetRightSettings {
inline constexpr quint32 RootKey = RootKeys::CurrentUser;
inline const QString KeyPath = QStringLiteral("Software\\Headlight\\GetRight\\Config\\");
inline const QString ValueName = QStringLiteral("LogFile");
} // namespace GetRightSettings

// The text of a REG_SZ value, or Default for a missing key, a missing value or another
// type. Never fails.
QString GetRegString(const SettingsReader& reader, quint32 RootKey, const QString& KeyPath,
                     const QString& ValueName, const QString& Default);
