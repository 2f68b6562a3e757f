#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_FilesPosix : public QObject {
    Q_OBJECT

private slots:
    void ordinaryFiles() {
        QTemporaryDir dir;
        const auto write = [&](const QString& name) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
        };
        write(u"plain.txt"_s);
        write(u".hidden"_s);
        write(u"deleted.txt"_s);
        QVERIFY(QFile::remove(dir.filePath(u"deleted.txt"_s)));
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));

        QVERIFY(PlatformFiles::IsOrdinaryFile(dir.filePath(u"plain.txt"_s)));
        QVERIFY(!PlatformFiles::IsOrdinaryFile(dir.filePath(u".hidden"_s)));
        QVERIFY(!PlatformFiles::IsOrdinaryFile(dir.filePath(u"deleted.txt"_s)));
        QVERIFY(!PlatformFiles::IsOrdinaryFile(dir.filePath(u"folder"_s)));
        QVERIFY(!PlatformFiles::IsOrdinaryFile(u"/dev/null"_s));
        QVERIFY(!PlatformFiles::IsOrdinaryFile(QString()));
        if (::geteuid() != 0) {
            QFile::setPermissions(dir.filePath(u"plain.txt"_s), QFileDevice::WriteOwner);
            QVERIFY(!PlatformFiles::IsOrdinaryFile(dir.filePath(u"plain.txt"_s)));
        }
    }

    // The open never waits on a pipe and refuses anything but a regular file.
    void openForReading() {
        QTemporaryDir dir;
        QString problem;
        {
            QFile file;
            QCOMPARE(PlatformFiles::OpenForReading(dir.filePath(u"none.log"_s), file, problem),
                     PlatformFiles::OpenStatus::Missing);
        }
        {
            QFile file;
            QCOMPARE(PlatformFiles::OpenForReading(dir.path(), file, problem),
                     PlatformFiles::OpenStatus::NotOrdinary);
        }
        {
            const QString fifo = dir.filePath(u"pipe"_s);
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
            QFile file;
            QCOMPARE(PlatformFiles::OpenForReading(fifo, file, problem),
                     PlatformFiles::OpenStatus::NotOrdinary);
            QVERIFY(!file.isOpen());
        }
        {
            QFile plain(dir.filePath(u"a.log"_s));
            QVERIFY(plain.open(QIODevice::WriteOnly));
            plain.write("12/31/01 10:00:00 - x\r\n");
            plain.close();
            QFile file;
            QCOMPARE(PlatformFiles::OpenForReading(plain.fileName(), file, problem),
                     PlatformFiles::OpenStatus::Opened);
            QCOMPARE(file.readAll(), QByteArray("12/31/01 10:00:00 - x\r\n"));
        }
        QVERIFY(!PlatformFiles::LogsInSystemCodePage());
    }

    // A whole file or none: replaced in one step, readable as a new file would be, and no
    // stray temporary file beside it whatever happens.
    void writeWholeFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"report.html"_s);
        QString problem;
        QVERIFY(PlatformFiles::WriteWholeFile(path, "first", problem));
        QFile first(path);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), QByteArray("first"));
        const mode_t mask = ::umask(0022);
        QVERIFY(PlatformFiles::WriteWholeFile(path, "second, longer", problem));
        ::umask(mask);
        QFile second(path);
        QVERIFY(second.open(QIODevice::ReadOnly));
        QCOMPARE(second.readAll(), QByteArray("second, longer"));
        QCOMPARE(QFileInfo(path).permissions() & (QFile::ReadOther | QFile::WriteOther),
                 QFile::ReadOther);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"report.html"_s});

        const QString nowhere = dir.filePath(u"missing/report.html"_s);
        QVERIFY(!PlatformFiles::WriteWholeFile(nowhere, "x", problem));
        QVERIFY(!problem.isEmpty());
        // A folder in the way: the write fails and the folder stays as it was.
        QVERIFY(QDir(dir.path()).mkdir(u"taken"_s));
        QVERIFY(!PlatformFiles::WriteWholeFile(dir.filePath(u"taken"_s), "x", problem));
        QVERIFY(QFileInfo(dir.filePath(u"taken"_s)).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"report.html"_s});
    }
};

QTEST_APPLESS_MAIN(tst_FilesPosix)
#include "tst_FilesPosix.moc"
