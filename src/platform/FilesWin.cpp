#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

using namespace Qt::StringLiterals;

namespace PlatformFiles {

namespace {
std::wstring NativePath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}
} // namespace

OpenStatus OpenForReading(const QString& path, QFile& file, QString& problem) {
    // GetRight goes on writing, and may rename or delete the log, while it is read.
    const HANDLE handle = CreateFileW(NativePath(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            problem = u"The file does not exist"_s;
            return OpenStatus::Missing;
        }
        // A folder does not open without backup semantics; say what it is.
        const DWORD attributes = GetFileAttributesW(NativePath(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            problem = u"The path is not an ordinary file"_s;
            return OpenStatus::NotOrdinary;
        }
        problem = qt_error_string(int(error));
        return OpenStatus::Failed;
    }
    // Devices (CON, NUL, COM1) and pipes open as well as files do, and a read from the
    // console would wait for the keyboard.
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(handle);
        problem = u"The path is not an ordinary file"_s;
        return OpenStatus::NotOrdinary;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        problem = u"The file could not be opened"_s;
        return OpenStatus::Failed;
    }
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        problem = file.errorString();
        return OpenStatus::Failed;
    }
    return OpenStatus::Opened;
}

// GetRight writes its log in the ANSI code page of the machine it runs on.
bool LogsInSystemCodePage() { return true; }

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& problem) {
    // Windows replaces a file in one step through QSaveFile, which also waits for the disk.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    problem = file.errorString();
    return false;
}

bool IsOrdinaryFile(const QString& path) {
    if (path.isEmpty()) return false;
    const DWORD attributes = GetFileAttributesW(NativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    // What a plain directory listing leaves out; compressed, encrypted, sparse, not indexed
    // and the cloud's placeholders are files like any other.
    constexpr DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
    return (attributes & excluded) == 0;
}

} // namespace PlatformFiles
