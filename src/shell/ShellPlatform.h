#pragma once

#include "analysis/LogAnalysis.h"
#include "monitor/FeedRounds.h"
#include "platform/DownloadFeed.h"
#include "platform/Opener.h"
#include "platform/SettingsReader.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

// The window's reach into the platform, one small interface each, so that tests can stand
// in for anything that would block on a modal dialog or leave the process.

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
    // A file to write; the dialog asks before replacing one that exists.
    virtual Result ChooseFileToSave(QWidget* parent, const Request& request) = 0;
};

// Modal message boxes with an OK button.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void Show(QWidget* parent, MessageIcon icon, const QString& title,
                      const QString& text) = 0;
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
    // GetRight's "DownloadInfo" feed for the download monitor, and where its rounds run:
    // off the window's thread unless a test or tool asks otherwise.
    std::shared_ptr<DownloadFeed> Feed;
    FeedRounds Rounds = FeedRounds::OnWorkerThread;

    // Fills every empty member with the real implementation of this platform.
    static ShellPlatform Native(ShellPlatform given);
    static ShellPlatform Native();
    // For tools that show the window without a user: no settings, no beep, and message
    // boxes handed to `messages` (title, text) instead of shown.
    static ShellPlatform
    Headless(std::function<void(const QString&, const QString&)> messages = {});
};
