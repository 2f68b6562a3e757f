#include "platform/Memory.h"

#include <QFile>
#include <QTest>

#include <cstdint>
#include <vector>

// Whether the kernel was asked for huge pages for the memory at block: the "hg" flag of
// the mapping that holds it.
static bool MarkedHuge(const char* block) {
    QFile maps(QStringLiteral("/proc/self/smaps"));
    if (!maps.open(QIODevice::ReadOnly)) return false;
    const auto at = reinterpret_cast<std::uintptr_t>(block);
    bool inside = false;
    // Files under /proc tell no size, so they are read whole rather than to an end.
    for (const QByteArray& raw : maps.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ');
        bool header = dash > 0 && space > dash;
        const auto from = header ? line.first(dash).toULongLong(&header, 16) : 0;
        if (header) {
            const auto to = line.sliced(dash + 1, space - dash - 1).toULongLong(nullptr, 16);
            inside = from <= at && at < to;
        } else if (inside && line.startsWith("VmFlags:")) {
            return line.split(' ').contains("hg");
        }
    }
    return false;
}

class tst_MemoryPosix : public QObject {
    Q_OBJECT

private slots:
    // The first 128 MB held at a time go on huge pages; blocks read in order never do; a
    // block given back makes room again.
    void hugePagesUpToABudgetHeldAtATime() {
        if (!QFile::exists(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled")))
            QSKIP("this kernel offers no transparent huge pages");
        constexpr std::size_t Block = std::size_t(32) << 20; // untouched, so never resident
        std::vector<char*> blocks;
        for (int i = 0; i < 5; ++i)
            blocks.push_back(PlatformMemory::AllocateBlock(Block));
        for (int i = 0; i < 4; ++i)
            QVERIFY2(MarkedHuge(blocks[size_t(i)]), qPrintable(QString::number(i)));
        QVERIFY(!MarkedHuge(blocks[4]));

        char* inOrder = PlatformMemory::AllocateBlock(Block, PlatformMemory::Access::InOrder);
        QVERIFY(!MarkedHuge(inOrder));
        PlatformMemory::FreeBlock(inOrder); // held no room: the budget stays spent
        char* stillOver = PlatformMemory::AllocateBlock(Block);
        QVERIFY(!MarkedHuge(stillOver));

        PlatformMemory::FreeBlock(blocks[1]);
        char* again = PlatformMemory::AllocateBlock(Block);
        QVERIFY(MarkedHuge(again));

        for (char* block : {blocks[0], blocks[2], blocks[3], blocks[4], stillOver, again})
            PlatformMemory::FreeBlock(block);
        blocks.clear();
        for (int i = 0; i < 4; ++i)
            blocks.push_back(PlatformMemory::AllocateBlock(Block));
        for (char* block : blocks) {
            QVERIFY(MarkedHuge(block));
            PlatformMemory::FreeBlock(block);
        }
    }

    // Blocks read at random start on a huge-page boundary and are counted, rounded up to
    // whole huge pages, while held; every byte of them can be written. Small blocks and
    // blocks read in order come from the heap and are not counted.
    void randomBlocksAlignedAndCounted() {
        constexpr std::size_t HugePage = std::size_t(2) << 20;
        const std::size_t before = PlatformMemory::MappedBytes();
        char* odd = PlatformMemory::AllocateBlock(HugePage + 1);
        char* even = PlatformMemory::AllocateBlock(3 * HugePage);
        char* small = PlatformMemory::AllocateBlock(4096);
        char* inOrder =
            PlatformMemory::AllocateBlock(4 * HugePage, PlatformMemory::Access::InOrder);
        for (const char* block : {odd, even})
            QCOMPARE(reinterpret_cast<std::uintptr_t>(block) % HugePage, 0u);
        QCOMPARE(PlatformMemory::MappedBytes(), before + 5 * HugePage);
        odd[0] = 1;
        odd[2 * HugePage - 1] = 2;
        even[3 * HugePage - 1] = 3;
        QCOMPARE(odd[2 * HugePage - 1] + even[3 * HugePage - 1], 5);

        PlatformMemory::FreeBlock(odd);
        QCOMPARE(PlatformMemory::MappedBytes(), before + 3 * HugePage);
        for (char* block : {even, small, inOrder})
            PlatformMemory::FreeBlock(block);
        QCOMPARE(PlatformMemory::MappedBytes(), before);
    }
};

QTEST_GUILESS_MAIN(tst_MemoryPosix)
#include "tst_MemoryPosix.moc"
