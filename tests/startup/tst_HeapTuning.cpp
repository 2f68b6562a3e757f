#include "startup/HeapTuning.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace Qt::StringLiterals;

// The program starting itself once more: how often main is entered, and the environment
// the second start is left with, which is what the programs Quillan starts inherit.
class tst_HeapTuning : public QObject {
    Q_OBJECT

    struct Started {
        int Entries = 0;
        QString Environment;
    };

    static Started Start(const std::optional<QString>& tunables) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"GLIBC_TUNABLES"_s);
        if (tunables) env.insert(u"GLIBC_TUNABLES"_s, *tunables);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {u"--child"_s});
        child.waitForFinished(30000);
        Started started;
        // Windows' C runtime ends the child's lines with CR LF.
        const QStringList lines = QString::fromLocal8Bit(child.readAllStandardOutput())
                                      .remove(u'\r')
                                      .split(u'\n', Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            if (line == u"entered"_s)
                ++started.Entries;
            else
                started.Environment = line;
        }
        return started;
    }

    static bool Restarts() {
#if defined(Q_OS_LINUX) && defined(__GLIBC__) && !defined(QUILLAN_SANITIZED)
        QFile mode(u"/sys/kernel/mm/transparent_hugepage/enabled"_s);
        return mode.open(QIODevice::ReadOnly) && mode.readAll().contains("[madvise]");
#else
        return false;
#endif
    }

private slots:
    void startsOnceMoreAndPutsTheEnvironmentBack() {
        const int expected = Restarts() ? 2 : 1;
        const Started plain = Start(std::nullopt);
        QCOMPARE(plain.Entries, expected);
        QCOMPARE(plain.Environment, u"tunables=- restarted=- user=-"_s);

        const Started own = Start(u"glibc.malloc.tcache_count=5"_s);
        QCOMPARE(own.Entries, expected);
        QCOMPARE(own.Environment, u"tunables=glibc.malloc.tcache_count=5 restarted=- user=-"_s);

        // The user's own choice is never overridden.
        const Started declined = Start(u"glibc.malloc.hugetlb=0"_s);
        QCOMPARE(declined.Entries, 1);
        QCOMPARE(declined.Environment, u"tunables=glibc.malloc.hugetlb=0 restarted=- user=-"_s);
    }
};

int main(int argc, char** argv) {
    if (argc == 2 && qstrcmp(argv[1], "--child") == 0) {
        std::printf("entered\n");
        std::fflush(stdout);
        PreferHugePageHeap(argv);
        auto shown = [](const char* name) {
            const char* value = std::getenv(name);
            return value ? value : "-";
        };
        std::printf("tunables=%s restarted=%s user=%s\n", shown("GLIBC_TUNABLES"),
                    shown("QUILLAN_HEAP_RESTARTED"), shown("QUILLAN_USER_TUNABLES"));
        return 0;
    }
    QCoreApplication app(argc, argv);
    tst_HeapTuning test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_HeapTuning.moc"
