#pragma once

#include <QFile>
#include <QString>

// What the loader and "Execute" need of the file system that differs between platforms.
namespace PlatformFiles {

enum class OpenStatus { Opened, Missing, NotOrdinary, Failed };

// Opens an ordinary file for unbuffered reading into file. The check that it is an ordinary
// file is made on the open file itself, and the open never waits: a pipe put in the log's
// place must not hang the load. problem says why, for anything but Opened.
OpenStatus OpenForReading(const QString& path, QFile& file, QString& problem);

// Whether logs are read in the system's ANSI code page first (Windows), rather than as
// UTF-8 with Windows-1252 as the fallback.
bool LogsInSystemCodePage();

// Replaces the file at path with bytes, or makes it: the bytes go to a new file beside it,
// which then takes its place in one step, so that a failure leaves no half-written file.
// Unlike QSaveFile it does not wait for the disk to confirm the write: a report can be
// written again, and the wait costs more than the writing. problem says why on failure.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& problem);

// Whether an ordinary file exists at path. Windows: a file that is not a folder, a device,
// hidden or a system file. Elsewhere: a regular file (not a folder or a device) that the user
// may read, whose name does not begin with "." (hidden).
bool IsOrdinaryFile(const QString& path);

} // namespace PlatformFiles
