#pragma once

#include "monitor/MonitorFakes.h"
#include "shell/ShellPlatform.h"

#include <QStringList>

#include <functional>

// Stand-ins for the platform, so that the window's tests never block on a dialog.
namespace ShellFakes {

struct Settings : SettingsReader {
    std::optional<QString> Value;
    std::optional<QString> ReadString(quint32, const QString& key,
                                      const QString& name) const override {
        if (key != QStringLiteral("Software\\Headlight\\GetRight\\Config\\") ||
            name != QStringLiteral("LogFile"))
            return std::nullopt;
        return Value;
    }
};

struct Chooser : FileChooser {
    Result Next;
    Request Asked;
    int Calls = 0;
    Result ChooseExistingFile(QWidget*, const Request& request) override {
        ++Calls;
        Asked = request;
        return Next;
    }
    // The save dialog, kept apart so that a test of one never answers the other.
    Result NextSave;
    Request AskedSave;
    int SaveCalls = 0;
    Result ChooseFileToSave(QWidget*, const Request& request) override {
        ++SaveCalls;
        AskedSave = request;
        return NextSave;
    }
};

struct Messages : MessageBoxes {
    QStringList Shown; // "stop|title|text" or "info|title|text"
    void Show(QWidget*, MessageIcon icon, const QString& title, const QString& text) override {
        Shown << (QString(icon == MessageIcon::Critical ? QStringLiteral("stop")
                                                        : QStringLiteral("info")) +
                  u'|' + title + u'|' + text);
    }
};

struct Opened : Opener {
    QList<Target> Targets;
    bool Succeeds = true;
    bool Open(const Target& target) override {
        Targets << target;
        return Succeeds;
    }
};

// Everything faked; each yield counts and may run a test's action first.
struct Platform {
    std::shared_ptr<Settings> Registry = std::make_shared<Settings>();
    std::shared_ptr<Chooser> Files = std::make_shared<Chooser>();
    std::shared_ptr<Messages> Boxes = std::make_shared<Messages>();
    std::shared_ptr<Opened> Opens = std::make_shared<Opened>();
    // One download in progress; never a real GetRight.
    std::shared_ptr<ScriptedFeed> Feed = std::make_shared<ScriptedFeed>(
        std::vector<std::optional<QString>>{QStringLiteral("a.zip|2048|50|x|y")});
    int Beeps = 0;
    int Yields = 0;
    std::function<void(int)> DuringYield;

    ShellPlatform Make() {
        ShellPlatform p;
        p.Settings = Registry;
        p.Files = Files;
        p.Messages = Boxes;
        p.Open = Opens;
        p.Feed = Feed;
        p.Rounds = FeedRounds::Inline;
        p.Beep = [this] { ++Beeps; };
        p.DoEvents = [this] {
            const int n = ++Yields;
            if (DuringYield) DuringYield(n);
        };
        return p;
    }
};

} // namespace ShellFakes
