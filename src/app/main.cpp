// quillan [LOG]: the window. A log named on the command line (as a file manager's "Open
// with" passes it) is opened right after start-up, as if chosen with the browse button.

#include "shell/frmMain.h"
#include "startup/CommandLine.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct WindowParser {
    QCommandLineParser Parser;
    // As quillan-report's: the same help on every platform.
    QCommandLineOption Help{{u"h"_s, u"help"_s}, u"Displays help on commandline options."_s};
    QCommandLineOption Version = Parser.addVersionOption();
    WindowParser() {
        Parser.addOption(Help);
        Parser.setApplicationDescription(
            u"Shows what happened to each download in a GetRight log: one record per download\n"
            "in a tree that sorts five ways, searches and opens, totals for the whole log,\n"
            "and on request GetRight's downloads in progress."_s);
        Parser.addPositionalArgument(u"LOG"_s, u"A GetRight log to open at once."_s, u"[LOG]"_s);
    }
};

void Print(std::FILE* to, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Help and the version need no display: they are answered before the window exists.
    if (CommandLine::AsksForHelp(arguments) || CommandLine::AsksForVersion(arguments)) {
        WindowParser p;
        if (CommandLine::AsksForHelp(arguments))
            Print(stdout, CommandLine::HelpText(p.Parser, u"quillan"_s));
        else
            Print(stdout, u"quillan "_s + CommandLine::Version() + u'\n');
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillan"));
    QApplication::setApplicationVersion(CommandLine::Version());
    QApplication::setDesktopFileName(QStringLiteral("quillan"));

    // Qt's own options (-style, -platform ...) are gone from the arguments by now.
    WindowParser p;
    if (!p.Parser.parse(QApplication::arguments()) || p.Parser.positionalArguments().size() > 1) {
        const QString problem = p.Parser.errorText().isEmpty() ? u"at most one log is expected"_s
                                                               : p.Parser.errorText();
        Print(stderr,
              u"quillan: "_s + problem + u"\n\n"_s + CommandLine::HelpText(p.Parser, u"quillan"_s));
        return 2;
    }

    frmMain window;
    window.Form_Load();
    window.show();
    if (const QStringList logs = p.Parser.positionalArguments(); !logs.isEmpty()) {
        const QString path = logs.front();
        QTimer::singleShot(0, &window, [&window, path] { window.OpenLog(path); });
    }
    return QApplication::exec();
}
