#include "platform/Files.h"

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

bool IsOrdinaryFile(const QString& path) {
    if (path.isEmpty()) return false;
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    constexpr DWORD allowed =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
    return (attributes & ~allowed) == 0;
}

} // namespace PlatformFiles
