#include "platform/WineSettingsReader.h"

#include "platform/WineRegistry.h"

#include <QFile>

using namespace Qt::StringLiterals;

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
