#include "analysis/LineStore.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

// The store against a plain list of the lines it was given: the bytes, where each stood in
// its file and the date bit come back for every line, across word chunks, blocks, lines
// longer than a block or than a word can tell, and a first chunk that had to grow.
class tst_LineStore : public QObject {
    Q_OBJECT

    struct Kept {
        QByteArray Bytes;
        qint64 FileLine;
        bool LongDate;
    };

    static QString Difference(const LineStore& store, const std::vector<Kept>& kept) {
        if (store.UpperBound() != qint64(kept.size()))
            return QStringLiteral("%1 lines, not %2").arg(store.UpperBound()).arg(kept.size());
        for (qint64 i = 1; i <= store.UpperBound(); ++i) {
            const Kept& k = kept[size_t(i - 1)];
            if (store.Bytes(i) != k.Bytes || store.FileLine(i) != k.FileLine ||
                store.LongDate(i) != k.LongDate)
                return QStringLiteral("line %1 of %2 bytes").arg(i).arg(k.Bytes.size());
        }
        for (const qint64 outside : {qint64(0), qint64(-1), store.UpperBound() + 1})
            if (!store.Bytes(outside).isEmpty() || store.FileLine(outside) != 0 ||
                store.LongDate(outside))
                return QStringLiteral("line %1 is not empty").arg(outside);
        return QString();
    }

private slots:
    void linesComeBackAsTheyWereKept() {
        QRandomGenerator rng(3);
        LineStore store;
        for (int round = 0; round < 3; ++round) {
            std::vector<Kept> kept;
            store.SetSizeHint(round == 0 ? 100 : round == 1 ? -1 : qint64(1) << 30);
            const int lines = round == 2 ? 300000 : 5000;
            qint64 fileLine = round;
            for (int i = 0; i < lines; ++i) {
                // Most lines follow on; some after dropped lines, some with no number, and
                // numbers past 31 bits are held at the largest.
                const bool crossing = i > lines / 2 + 100 && i < lines / 2 + 200;
                const int gap = crossing ? 2 : rng.bounded(20);
                fileLine = gap == 0 ? 0 : gap == 1 ? fileLine + 2 + rng.bounded(5) : fileLine + 1;
                if (i == lines / 2) fileLine = qint64(1) << 33;
                if (i == lines / 2 + 100) fileLine = 0x7FFFFFFF - 40; // and on past 31 bits
                QByteArray bytes(rng.bounded(120), 'a');
                for (char& c : bytes)
                    c = char(rng.bounded(256));
                kept.push_back(
                    {bytes, std::min<qint64>(fileLine, 0x7FFFFFFF), rng.bounded(2) == 1});
                store.Append(bytes, fileLine, kept.back().LongDate);
            }
            if (round == 1)
                // Around the longest length a line's word can tell, and longer than a block.
                for (const qsizetype length : {(1 << 23) - 2, (1 << 23) - 1, (1 << 23), 9 << 20}) {
                    kept.push_back({QByteArray(length, char('0' + length % 10)), ++fileLine, true});
                    store.Append(kept.back().Bytes, fileLine, true);
                    kept.push_back({QByteArray("after"), ++fileLine, false});
                    store.Append(kept.back().Bytes, fileLine, false);
                }
            const QString difference = Difference(store, kept);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
            store.Clear();
            QCOMPARE(store.UpperBound(), 0);
            QVERIFY(store.Bytes(1).isEmpty());
        }
    }
};

QTEST_APPLESS_MAIN(tst_LineStore)
#include "tst_LineStore.moc"
