#include "platform/OpenerWin.h"

#include <QProcess>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView TargetVariable = u"QUILLAN_START_TARGET";

QString SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return u"C:\\Windows\\System32"_s;
    return QString::fromWCharArray(folder, int(length));
}

// A double quote would end the quoted target, a control character the command line.
QString QuotableUrl(const QString& url) {
    QString out;
    out.reserve(url.size());
    for (const QChar c : url) {
        if (c == u'"' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += u'%' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            out += c;
    }
    return out;
}

class StartOpener : public Opener {
public:
    explicit StartOpener(std::function<bool(const StartCommand&)> start)
        : m_Start(std::move(start)) {}
    bool Open(const Target& target) override {
        if (target.Address.isEmpty()) return false;
        return m_Start(StartCommandFor(target));
    }

private:
    std::function<bool(const StartCommand&)> m_Start;
};

} // namespace

StartCommand StartCommandFor(const Opener::Target& target) {
    StartCommand command;
    command.Program = SystemFolder() + u"\\cmd.exe"_s;
    command.Variable = TargetVariable.toString();
    // /d: no AutoRun commands from the registry before ours.
    command.Arguments = uR"(/d /c start "" ")"_s + u'%' + command.Variable + uR"(%")"_s;
    command.Value = target.IsLocalFile ? target.Address : QuotableUrl(target.Address);
    return command;
}

bool StartHidden(const StartCommand& command) {
    QProcess process;
    process.setProgram(command.Program);
    process.setNativeArguments(command.Arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(command.Variable, command.Value);
    process.setProcessEnvironment(environment);
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* args) { args->flags |= CREATE_NO_WINDOW; });
    return process.startDetached();
}

std::unique_ptr<Opener> StartCommandOpener(std::function<bool(const StartCommand&)> start) {
    return std::make_unique<StartOpener>(std::move(start));
}

std::unique_ptr<Opener> NativeOpener() { return StartCommandOpener(StartHidden); }
