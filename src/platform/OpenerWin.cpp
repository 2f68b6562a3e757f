#include "platform/Opener.h"

#include <QProcess>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

std::unique_ptr<Opener> NativeOpener() { return std::make_unique<StartCommandOpener>(); }
