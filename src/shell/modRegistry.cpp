#include "shell/modRegistry.h"

#include "shell/WineRegistry.h"

#include <QFile>

using namespace Qt::StringLiterals;

QString GetRegString(const SettingsReader& reader, quint32 RootKey, const QString& KeyPath,
                     const QString& ValueName, const QString& Default) {
    return reader.ReadString(RootKey, KeyPath, ValueName).value_or(Default);
}

WineSettingsReader::WineSettingsReader(QString prefix) : m_Prefix(std::move(prefix)) {}

std::optional<QString> WineSettingsReader::ReadString(quint32 rootKey, const QString& keyPath,
                                                      const QString& valueName) const {
    QString file;
    if (rootKey == RootKeys::CurrentUser)
        file = u"/user.reg"_s;
    else if (rootKey == RootKeys::LocalMachine)
        file = u"/system.reg"_s;
    else
        return std::nullopt;
    QFile reg(m_Prefix + file);
    if (!reg.open(QIODevice::ReadOnly)) return std::nullopt;
    const QString text = QString::fromUtf8(reg.readAll());
    std::optional<QString> value = WineRegistry::ReadString(text, keyPath, valueName);
    if (value) *value = WineRegistry::ToLinuxPath(m_Prefix, *value);
    return value;
}
