#include "monitor/NativeFeed.h"
#include "shell/Platform.h"

#include "shell/WineRegistry.h"
#include "shell/modRegistry.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#ifdef Q_OS_WIN
#include "shell/RegistryWin.h"

#include <QProcess>
#include <windows.h>
#endif

using namespace Qt::StringLiterals;

namespace {

class DialogFileChooser : public FileChooser {
public:
    Result ChooseExistingFile(QWidget* parent, const Request& request) override {
        QFileDialog dialog(parent, QString(), request.StartFolder, request.Filter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setDefaultSuffix(request.DefaultSuffix);
        dialog.selectFile(request.DefaultName);
        if (dialog.exec() != QDialog::Accepted) return {Result::Kind::Cancelled, {}};
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return {Result::Kind::Failed, {}};
        return {Result::Kind::Chosen, files.front()};
    }
};

class DialogMessageBoxes : public MessageBoxes {
public:
    void Show(QWidget* parent, MessageIcon icon, const QString& title,
              const QString& text) override {
        QMessageBox box(icon == MessageIcon::Critical ? QMessageBox::Critical
                                                      : QMessageBox::Information,
                        title, text, QMessageBox::Ok, parent);
        box.exec();
    }
};

#ifdef Q_OS_WIN
// The command interpreter's "start", with its own window hidden, not waited for.
class StartCommandOpener : public Opener {
public:
    bool Open(const Target& target) override {
        QProcess process;
        process.setProgram(u"cmd.exe"_s);
        process.setNativeArguments(u"/c "_s + target.CommandLine);
        process.setCreateProcessArgumentsModifier(
            [](QProcess::CreateProcessArguments* args) { args->flags |= CREATE_NO_WINDOW; });
        return process.startDetached();
    }
};

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
#else
// The desktop's opener for the same target the "start" command line names.
class DesktopOpener : public Opener {
public:
    bool Open(const Target& target) override {
        const QUrl url = target.IsLocalFile ? QUrl::fromLocalFile(target.Address)
                                            : QUrl(target.Address, QUrl::TolerantMode);
        return url.isValid() && !url.isEmpty() && QDesktopServices::openUrl(url);
    }
};
#endif

class NoSettings : public SettingsReader {
public:
    std::optional<QString> ReadString(quint32, const QString&, const QString&) const override {
        return std::nullopt;
    }
};

class MessageSink : public MessageBoxes {
public:
    explicit MessageSink(std::function<void(const QString&, const QString&)> sink)
        : m_Sink(std::move(sink)) {}
    void Show(QWidget*, MessageIcon, const QString& title, const QString& text) override {
        if (m_Sink) m_Sink(title, text);
    }

private:
    std::function<void(const QString&, const QString&)> m_Sink;
};

} // namespace

ShellPlatform
ShellPlatform::Headless(std::function<void(const QString&, const QString&)> messages) {
    ShellPlatform p;
    p.Settings = std::make_shared<NoSettings>();
    p.Messages = std::make_shared<MessageSink>(std::move(messages));
    p.Beep = [] {};
    p.Feed = std::make_shared<NoDownloadFeed>();
    return Native(std::move(p));
}

ShellPlatform ShellPlatform::Native(ShellPlatform given) {
#ifdef Q_OS_WIN
    if (!given.Settings) given.Settings = std::make_shared<RegistrySettingsReader>();
    if (!given.Open) given.Open = std::make_shared<StartCommandOpener>();
#else
    if (!given.Settings)
        given.Settings = std::make_shared<WineSettingsReader>(WineRegistry::DefaultPrefix());
    if (!given.Open) given.Open = std::make_shared<DesktopOpener>();
#endif
    if (!given.Files) given.Files = std::make_shared<DialogFileChooser>();
    if (!given.Messages) given.Messages = std::make_shared<DialogMessageBoxes>();
    if (!given.Beep) given.Beep = [] { QApplication::beep(); };
    if (!given.Feed) given.Feed = NativeDownloadFeed();
    if (!given.DoEvents) given.DoEvents = [] { QCoreApplication::processEvents(); };
    return given;
}
