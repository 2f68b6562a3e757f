#include "platform/Files.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace PlatformFiles {

OpenStatus OpenForReading(const QString& path, QFile& file, QString& problem) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) {
            problem = u"The file does not exist"_s;
            return OpenStatus::Missing;
        }
        problem = qt_error_string(error);
        return OpenStatus::Failed;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        problem = u"The path is not an ordinary file"_s;
        return OpenStatus::NotOrdinary;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        problem = file.errorString();
        return OpenStatus::Failed;
    }
    return OpenStatus::Opened;
}

bool LogsInSystemCodePage() { return false; }

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& problem) {
    const QFileInfo target(path);
    QTemporaryFile file(target.absolutePath() + u"/."_s + target.fileName() + u".XXXXXX"_s);
    if (!file.open()) {
        problem = file.errorString();
        return false;
    }
    // As a new file would be made: readable by all, as the user's mask allows.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(file.handle(), 0666 & ~mask);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        problem = file.errorString();
        return false;
    }
    if (::rename(QFile::encodeName(file.fileName()).constData(),
                 QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        problem = qt_error_string(errno);
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

bool IsOrdinaryFile(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.isFile() && !info.fileName().startsWith(u'.') && info.isReadable();
}

} // namespace PlatformFiles
