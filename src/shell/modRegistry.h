#pragma once

#include "shell/Platform.h"

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

// The registry of the Wine prefix GetRight runs in: user.reg for HKEY_CURRENT_USER,
// system.reg for HKEY_LOCAL_MACHINE. A value that is a Windows drive path comes back as
// the Linux path it names in the prefix.
class WineSettingsReader : public SettingsReader {
public:
    explicit WineSettingsReader(QString prefix);
    std::optional<QString> ReadString(quint32 rootKey, const QString& keyPath,
                                      const QString& valueName) const override;

private:
    QString m_Prefix;
};
