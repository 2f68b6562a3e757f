#include "shell/ShellPlatform.h"

#include "platform/NativeFeed.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace {

class DialogFileChooser : public FileChooser {
public:
    Result ChooseExistingFile(QWidget* parent, const Request& request) override {
        return Run(parent, request, QFileDialog::ExistingFile, QFileDialog::AcceptOpen);
    }
    Result ChooseFileToSave(QWidget* parent, const Request& request) override {
        return Run(parent, request, QFileDialog::AnyFile, QFileDialog::AcceptSave);
    }

private:
    static Result Run(QWidget* parent, const Request& request, QFileDialog::FileMode mode,
                      QFileDialog::AcceptMode accept) {
        QFileDialog dialog(parent, QString(), request.StartFolder, request.Filter);
        dialog.setFileMode(mode);
        dialog.setAcceptMode(accept);
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
    p.Rounds = FeedRounds::Inline;
    return Native(std::move(p));
}

ShellPlatform ShellPlatform::Native() { return Native(ShellPlatform()); }

ShellPlatform ShellPlatform::Native(ShellPlatform given) {
    if (!given.Settings) given.Settings = NativeSettingsReader();
    if (!given.Open) given.Open = NativeOpener();
    if (!given.Files) given.Files = std::make_shared<DialogFileChooser>();
    if (!given.Messages) given.Messages = std::make_shared<DialogMessageBoxes>();
    if (!given.Beep) given.Beep = [] { QApplication::beep(); };
    if (!given.Feed) given.Feed = NativeDownloadFeed();
    if (!given.DoEvents) given.DoEvents = [] { QCoreApplication::processEvents(); };
    return given;
}
