#pragma once

#include "platform/SettingsReader.h"

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
