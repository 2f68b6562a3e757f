#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Helpers shared by the tests of every layer: files, the sample log, snapshots.
namespace TestSupport {

inline QString SourceDir() {
    const QByteArray dir = qgetenv("QUILLAN_SOURCE_DIR");
    return dir.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(dir);
}

inline QString SampleLog() { return SourceDir() + QStringLiteral("/examples/getright.log"); }

// The sample log's bytes, to build other logs from.
inline QByteArray SampleBytes() {
    QFile sample(SampleLog());
    if (!sample.open(QIODevice::ReadOnly)) qFatal("cannot read the sample log");
    return sample.readAll();
}

// Writes bytes to name inside dir and returns the path.
inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test file");
    file.write(bytes);
    return path;
}

// Joins lines with CR LF, as GetRight writes them.
inline QByteArray CrLf(std::initializer_list<const char*> lines) {
    QByteArray out;
    for (const char* line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

// Every file and folder under root with its size, modification time and content hash, to
// show that a run wrote nothing there.
inline QStringList Snapshot(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QString line = info.filePath() + u' ' + QString::number(info.size()) + u' ' +
                       info.lastModified().toString(Qt::ISODateWithMs);
        QFile file(info.filePath());
        if (info.isFile() && file.open(QIODevice::ReadOnly))
            line += u' ' +
                    QString::fromLatin1(
                        QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex());
        out << line;
    }
    out.sort();
    return out;
}

} // namespace TestSupport
