#pragma once

#include "analysis/LogAnalysis.h"
#include "monitor/DownloadFeed.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

// The window's reach into the platform, one small interface each, so that tests can stand
// in for anything that would block on a modal dialog or leave the process.

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

// The open-file dialog.
class FileChooser {
public:
    struct Request {
        QString Filter;      // "Log Files (*.log)"
        QString DefaultName; // "getright.log"
        QString DefaultSuffix;
        QString StartFolder;
    };
    struct Result {
        enum class Kind { Chosen, Cancelled, Failed };
        Kind What = Kind::Cancelled;
        QString Path;
    };
    virtual ~FileChooser() = default;
    virtual Result ChooseExistingFile(QWidget* parent, const Request& request) = 0;
};

// Modal message boxes with an OK button.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void Show(QWidget* parent, MessageIcon icon, const QString& title,
                      const QString& text) = 0;
};

// Opens a URL or a local file with the program the desktop associates with it.
class Opener {
public:
    struct Target {
        QString CommandLine; // "start " ..., where the command interpreter has it
        QString Address;     // the URL or the local path alone
        bool IsLocalFile = false;
    };
    virtual ~Opener() = default;
    // Starts it without waiting; false when it could not be started.
    virtual bool Open(const Target& target) = 0;
};

// Everything the window takes from outside itself. Empty members get the platform's own.
struct ShellPlatform {
    std::shared_ptr<SettingsReader> Settings;
    std::shared_ptr<FileChooser> Files;
    std::shared_ptr<MessageBoxes> Messages;
    std::shared_ptr<Opener> Open;
    std::function<void()> Beep;
    // One pass of the message loop.
    std::function<void()> DoEvents;
    // GetRight's "DownloadInfo" feed for the download monitor.
    std::shared_ptr<DownloadFeed> Feed;

    // Fills every empty member with the real implementation of this platform.
    static ShellPlatform Native(ShellPlatform given = {});
    // For tools that show the window without a user: no settings, no beep, and message
    // boxes handed to `messages` (title, text) instead of shown.
    static ShellPlatform
    Headless(std::function<void(const QString&, const QString&)> messages = {});
};
