#pragma once

#include "platform/Files.h"
#include "view/TreeModel.h"

#include <QString>

#include <functional>

// The message shown when a local path no longer names an ordinary file.
inline constexpr QStringView FileMovedMessage = u"File has been moved or deleted.";

// What "Execute" would do for the selected node; running it is the window's part.
struct ExecuteAction {
    enum class Kind {
        Nothing, // not a node that names something to open
        Run,     // run CommandLine, or hand Target to the desktop's opener
        Message, // show Message (stop icon); nothing is run
    };
    Kind What = Kind::Nothing;
    // "start " and the URL, or start and a double-quoted local path.
    QString CommandLine;
    // The URL or the local path alone.
    QString Target;
    bool TargetIsLocalFile = false;
    QString Message;
};

// Whether an ordinary file exists at a path; a seam, so tests can stand in for the disk.
using OrdinaryFileTest = std::function<bool(const QString& path)>;

// Decides by the first characters of the selected node's text alone.
ExecuteAction DecideExecute(const TreeModel& tree,
                            const OrdinaryFileTest& fileExists = PlatformFiles::IsOrdinaryFile);
