#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// GetRight under Wine keeps its settings in the prefix's registry files (user.reg for
// HKEY_CURRENT_USER). These read them as text, without Wine.
namespace WineRegistry {

// The plain string value (REG_SZ) valueName under keyPath in the text of a registry file,
// unescaped; nothing when the key or the value is missing or the value has another type
// (str(2): is REG_EXPAND_SZ). Key and value names compare without regard to case; an empty
// valueName or "@" names the key's default value; a trailing backslash of keyPath is ignored.
std::optional<QString> ReadString(QStringView regText, QStringView keyPath, QStringView valueName);

// Undoes Wine's escaping of a quoted name or value (the text between the quotes).
QString Unescape(QStringView escaped);

// $WINEPREFIX when set, else ~/.wine.
QString DefaultPrefix();

// The Linux path a Windows path ("C:\dir\file") names inside the prefix, through its
// dosdevices drive links; each part is matched without regard to case where the exact
// name is missing, as Wine does. Anything but a drive path comes back unchanged.
QString ToLinuxPath(const QString& prefix, const QString& windowsPath);

} // namespace WineRegistry
