#include "platform/Files.h"

#include <QFileInfo>

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

bool IsOrdinaryFile(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.isFile() && !info.fileName().startsWith(u'.') && info.isReadable();
}

} // namespace PlatformFiles
