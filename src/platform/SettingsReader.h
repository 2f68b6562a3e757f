#pragma once

#include <QString>

#include <memory>
#include <optional>

// Registry root keys by their handle values.
namespace RootKeys {
inline constexpr quint32 CurrentUser = 0x80000001u;
inline constexpr quint32 LocalMachine = 0x80000002u;
} // namespace RootKeys

// GetRight's settings: the text of a plain string value (REG_SZ).
class SettingsReader {
public:
    virtual ~SettingsReader() = default;
    // The value's text, or nothing for a missing key, a missing value or another type.
    virtual std::optional<QString> ReadString(quint32 rootKey, const QString& keyPath,
                                              const QString& valueName) const = 0;
};

// This platform's settings: the registry on Windows; elsewhere the registry files of the
// Wine prefix GetRight runs in.
std::unique_ptr<SettingsReader> NativeSettingsReader();
