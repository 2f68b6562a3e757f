#include "platform/SettingsReader.h"

#include "platform/win32/RegistryWin.h"

namespace {

// ANSI names and values, as GetRight itself reads and writes them.
class RegistrySettingsReader : public SettingsReader {
public:
    std::optional<QString> ReadString(quint32 rootKey, const QString& keyPath,
                                      const QString& valueName) const override {
        const std::optional<std::string> value = ReadRegSzA(
            rootKey, keyPath.toLocal8Bit().toStdString(), valueName.toLocal8Bit().toStdString());
        if (!value) return std::nullopt;
        return QString::fromLocal8Bit(*value);
    }
};

} // namespace

std::unique_ptr<SettingsReader> NativeSettingsReader() {
    return std::make_unique<RegistrySettingsReader>();
}
