#pragma once

#include <QString>

#include <memory>

// Opens a URL or a local file with the program the desktop associates with it.
class Opener {
public:
    struct Target {
        QString CommandLine; // "start " ..., as the report shows it (OpenerWin.h says why
                             // Windows runs a safer form of it)
        QString Address;     // the URL or the local path alone
        bool IsLocalFile = false;
    };
    virtual ~Opener() = default;
    // Starts it without waiting; false when it could not be started.
    virtual bool Open(const Target& target) = 0;
};

// Windows: the command interpreter runs the "start" command line, its window hidden.
// Elsewhere: the desktop's opener for the same URL or file.
std::unique_ptr<Opener> NativeOpener();
