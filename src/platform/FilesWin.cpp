#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace PlatformFiles {

OpenStatus OpenForReading(const QString& path, QFile& file, QString& problem) {
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (!file.exists()) {
            problem = u"The file does not exist"_s;
            return OpenStatus::Missing;
        }
        problem = file.errorString();
        return OpenStatus::Failed;
    }
    return OpenStatus::Opened;
}

// GetRight writes its log in the ANSI code page of the machine it runs on.
bool LogsInSystemCodePage() { return true; }

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& problem) {
    const QFileInfo target(path);
    QTemporaryFile file(target.absolutePath() + u"/"_s + target.fileName() + u".XXXXXX"_s);
    if (!file.open()) {
        problem = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        problem = file.errorString();
        return false;
    }
    const QString from = QDir::toNativeSeparators(file.fileName());
    file.close();
    const QString to = QDir::toNativeSeparators(target.absoluteFilePath());
    if (!MoveFileExW(reinterpret_cast<LPCWSTR>(from.utf16()), reinterpret_cast<LPCWSTR>(to.utf16()),
                     MOVEFILE_REPLACE_EXISTING)) {
        problem = qt_error_string(int(GetLastError()));
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

bool IsOrdinaryFile(const QString& path) {
    if (path.isEmpty()) return false;
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    constexpr DWORD allowed =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
    return (attributes & ~allowed) == 0;
}

} // namespace PlatformFiles
