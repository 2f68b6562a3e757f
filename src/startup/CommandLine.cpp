#include "startup/CommandLine.h"

using namespace Qt::StringLiterals;

namespace CommandLine {

QString Version() { return QStringLiteral(QUILLAN_VERSION); }

QString HelpText(const QCommandLineParser& parser, const QString& program) {
    QString text = parser.helpText();
    // The first line is "Usage: <how it was started> [options] ...".
    const qsizetype start = text.indexOf(u"Usage: "_s);
    if (start == 0) {
        const qsizetype from = 7;
        const qsizetype to = text.indexOf(u' ', from);
        if (to > from) text.replace(from, to - from, program);
    }
    return text;
}

namespace {

bool Asks(const QStringList& arguments, std::initializer_list<QStringView> names) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--") return false;
        for (const QStringView name : names)
            if (arguments[i] == name) return true;
    }
    return false;
}

} // namespace

bool AsksForHelp(const QStringList& arguments) {
    return Asks(arguments, {u"-h", u"--help", u"--help-all", u"-?"});
}

bool AsksForVersion(const QStringList& arguments) { return Asks(arguments, {u"-v", u"--version"}); }

} // namespace CommandLine
