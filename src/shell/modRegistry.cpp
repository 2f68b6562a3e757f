#include "shell/modRegistry.h"

QString GetRegString(const SettingsReader& reader, quint32 RootKey, const QString& KeyPath,
                     const QString& ValueName, const QString& Default) {
    return reader.ReadString(RootKey, KeyPath, ValueName).value_or(Default);
}
