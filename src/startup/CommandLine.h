#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// What both programs do with their command line before anything else.
namespace CommandLine {

// The version both programs print.
QString Version();

// The parser's help with the program named as users type it, whatever path started it.
QString HelpText(const QCommandLineParser& parser, const QString& program);

// Whether the arguments ask for help or the version (before any "--"): those are answered
// before the program needs anything else, a display included.
bool AsksForHelp(const QStringList& arguments);
bool AsksForVersion(const QStringList& arguments);

} // namespace CommandLine
