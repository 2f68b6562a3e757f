#pragma once

#include "platform/Opener.h"

#include <functional>

// How "Execute" starts a target on Windows: the command interpreter's "start", as the user
// would type it, its own window hidden and not waited for.
//
// start takes its first quoted argument for a window title, so an empty title goes first;
// the target follows in quotes, where & | < > ^ and spaces are plain characters. Only %
// would still be expanded (a URL's "%OS%" or "%TEMP%"), so the command line names the
// target by a variable of the started interpreter's environment: its value is substituted
// once and never read again. A URL cannot hold a double quote or a control character
// inside the quotes, so those are percent-encoded; a Windows path has neither.
struct StartCommand {
    QString Program;   // cmd.exe in the system folder, not whichever one the path finds first
    QString Arguments; // the command line after the program, as CreateProcess gets it
    QString Variable;  // the variable that holds the target
    QString Value;     // the target as start receives it
};

StartCommand StartCommandFor(const Opener::Target& target);

// Runs the command without waiting; false when it could not be started.
bool StartHidden(const StartCommand& command);

// The opener with the start left to `start`, so that tests see the commands it runs.
std::unique_ptr<Opener> StartCommandOpener(std::function<bool(const StartCommand&)> start);
