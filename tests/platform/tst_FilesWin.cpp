#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

using namespace Qt::StringLiterals;

// The platform's file primitives on Windows, as tst_FilesPosix has them elsewhere.
class tst_FilesWin : public QObject {
    Q_OBJECT

    static std::wstring Native(const QString& path) {
        return QDir::toNativeSeparators(path).toStdWString();
    }
    static QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write test file");
        file.write(bytes);
        return file.fileName();
    }

private slots:
    // What a directory listing shows as a file: read-only is, hidden and system are not.
    void ordinaryFiles() {
        QTemporaryDir dir;
        const QString plain = Write(dir, u"plain.txt"_s, "x");
        const QString readOnly = Write(dir, u"read-only.txt"_s, "x");
        const QString hidden = Write(dir, u"hidden.txt"_s, "x");
        const QString system = Write(dir, u"system.txt"_s, "x");
        const QString dotted = Write(dir, u".dotted"_s, "x");
        QVERIFY(SetFileAttributesW(Native(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
        QVERIFY(SetFileAttributesW(Native(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN));
        QVERIFY(SetFileAttributesW(Native(system).c_str(), FILE_ATTRIBUTE_SYSTEM));
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));

        QVERIFY(PlatformFiles::IsOrdinaryFile(plain));
        QVERIFY(PlatformFiles::IsOrdinaryFile(QDir::toNativeSeparators(plain)));
        QVERIFY(PlatformFiles::IsOrdinaryFile(readOnly));
        QVERIFY(!PlatformFiles::IsOrdinaryFile(hidden));
        QVERIFY(!PlatformFiles::IsOrdinaryFile(system));
        QVERIFY(!PlatformFiles::IsOrdinaryFile(dir.filePath(u"folder"_s)));
        QVERIFY(!PlatformFiles::IsOrdinaryFile(dir.filePath(u"missing.txt"_s)));
        QVERIFY(!PlatformFiles::IsOrdinaryFile(QString()));
        // Only Windows' own attributes count; a leading dot hides nothing here.
        if (!(GetFileAttributesW(Native(dotted).c_str()) & FILE_ATTRIBUTE_HIDDEN))
            QVERIFY(PlatformFiles::IsOrdinaryFile(dotted));
        SetFileAttributesW(Native(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
        QVERIFY(PlatformFiles::LogsInSystemCodePage());
    }

    // The open never waits on a pipe or a device and refuses anything but a disk file.
    void openForReading() {
        QTemporaryDir dir;
        QString problem;
        const auto open = [&](const QString& path) {
            QFile file;
            const auto status = PlatformFiles::OpenForReading(path, file, problem);
            if (status != PlatformFiles::OpenStatus::Opened && file.isOpen())
                qFatal("a refused file was left open");
            return status;
        };
        QCOMPARE(open(dir.filePath(u"none.log"_s)), PlatformFiles::OpenStatus::Missing);
        QCOMPARE(problem, u"The file does not exist"_s);
        QCOMPARE(open(dir.filePath(u"no/such/folder/x.log"_s)), PlatformFiles::OpenStatus::Missing);
        QCOMPARE(open(dir.path()), PlatformFiles::OpenStatus::NotOrdinary);
        QCOMPARE(open(u"NUL"_s), PlatformFiles::OpenStatus::NotOrdinary);
        QCOMPARE(problem, u"The path is not an ordinary file"_s);

        // A pipe with nobody writing: refused at once, not read until someone does.
        const QString pipeName = u"\\\\.\\pipe\\quillan-files-test-%1"_s.arg(GetCurrentProcessId());
        const HANDLE pipe = CreateNamedPipeW(Native(pipeName).c_str(), PIPE_ACCESS_OUTBOUND,
                                             PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
        QVERIFY(pipe != INVALID_HANDLE_VALUE);
        QCOMPARE(open(pipeName), PlatformFiles::OpenStatus::NotOrdinary);
        CloseHandle(pipe);
    }

    // GetRight keeps its log open for writing, appends to it, and may rename or delete it
    // while Quillan reads: the open shares all three.
    void readsWhileGetRightWrites() {
        QTemporaryDir dir;
        const QString path = Write(dir, u"getright.log"_s, QByteArray());
        const HANDLE writer = CreateFileW(Native(path).c_str(), FILE_APPEND_DATA,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(writer != INVALID_HANDLE_VALUE);
        DWORD written = 0;
        QVERIFY(WriteFile(writer, "12/31/01 10:00:00 - a\r\n", 23, &written, nullptr));

        QFile file;
        QString problem;
        QCOMPARE(PlatformFiles::OpenForReading(path, file, problem),
                 PlatformFiles::OpenStatus::Opened);
        QCOMPARE(file.size(), 23);
        QCOMPARE(file.readAll(), QByteArray("12/31/01 10:00:00 - a\r\n"));
        QVERIFY(WriteFile(writer, "12/31/01 10:00:01 - b\r\n", 23, &written, nullptr));
        QCOMPARE(file.size(), 46);
        QCOMPARE(file.readAll(), QByteArray("12/31/01 10:00:01 - b\r\n"));
        QVERIFY(file.seek(0));

        const QString moved = dir.filePath(u"getright.old"_s);
        QVERIFY(MoveFileW(Native(path).c_str(), Native(moved).c_str()));
        QCOMPARE(file.read(8), QByteArray("12/31/01"));
        CloseHandle(writer);
        QVERIFY(DeleteFileW(Native(moved).c_str()));
        file.close();
        QVERIFY(!QFile::exists(moved));
    }
};

QTEST_APPLESS_MAIN(tst_FilesWin)
#include "tst_FilesWin.moc"
