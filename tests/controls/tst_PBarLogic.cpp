#include "controls/PBarLogic.h"

#include <QTest>

using namespace Qt::StringLiterals;
using PBarLogic::Range;

Q_DECLARE_METATYPE(PBarLogic::Range)

namespace {
constexpr double W = 4755; // a new control's width
constexpr double Track = W - 30;
} // namespace

class TestPBarLogic : public QObject {
    Q_OBJECT

private slots:
    void RangeTestGuardsTheUpdate() {
        QVERIFY(!PBarLogic::UpdateBar({0, 0, 0, 0}, W));
        QVERIFY(!PBarLogic::UpdateBar({0, -5, -5, 0}, W));
        QVERIFY(!PBarLogic::UpdateBar({50, 20, 50, 0}, W)); // Min above Max
        const auto equal = PBarLogic::UpdateBar({20, 20, 20, 0}, W);
        QVERIFY(equal);
        QCOMPARE(equal->Text, u"100 %"_s);
    }

    void BarLength() {
        QCOMPARE(PBarLogic::UpdateBar({0, 100, 0, 0}, W)->BarWidth, 0.0f);
        QCOMPARE(PBarLogic::UpdateBar({0, 100, 100, 0}, W)->BarWidth, float(Track));
        QCOMPARE(PBarLogic::UpdateBar({0, 100, 50, 0}, W)->UnitWidth, float(Track / 100));
        // Min plays no part: Value 10 of 100 fills a tenth whatever the Min.
        QCOMPARE(PBarLogic::UpdateBar({10, 100, 10, 0}, W)->BarWidth, float(Track / 10));
        // Value above a lowered Max overruns the track; the widget clips it.
        QCOMPARE(PBarLogic::UpdateBar({0, 20, 100, 0}, W)->BarWidth, float(Track * 5));
        // A negative Value draws the length of its absolute value.
        QCOMPARE(PBarLogic::UpdateBar({-100, 100, -25, 0}, W)->BarWidth, float(Track / 4));
        QCOMPARE(PBarLogic::BarRect(100, 345), QRectF(15, 15, 100, 315));
    }

    void StyleTexts_data() {
        QTest::addColumn<Range>("range");
        QTest::addColumn<QString>("text");
        QTest::newRow("new control") << Range{0, 100, 0, 0} << u"0 %"_s;
        QTest::newRow("2 of 3 rounds up") << Range{0, 3, 2, 0} << u"67 %"_s;
        QTest::newRow("1 of 3 rounds down") << Range{0, 3, 1, 0} << u"33 %"_s;
        QTest::newRow("half away from zero") << Range{0, 200, 1, 0} << u"1 %"_s;
        QTest::newRow("negative half") << Range{-200, 200, -1, 0} << u"-1 %"_s;
        QTest::newRow("negative under half") << Range{-1000, 1000, -4, 0} << u"0 %"_s;
        QTest::newRow("negative percent") << Range{-100, 100, -25, 0} << u"-25 %"_s;
        QTest::newRow("over Max") << Range{0, 20, 100, 0} << u"500 %"_s;
        QTest::newRow("value") << Range{0, 100, 50, 1} << u"50"_s;
        QTest::newRow("negative value") << Range{-9, 100, -5, 1} << u"-5"_s;
        QTest::newRow("Kb under half is empty") << Range{0, 9999, 500, 2} << u" Kb"_s;
        QTest::newRow("Kb 1.5") << Range{0, 9999, 1536, 2} << u"2 Kb"_s;
        QTest::newRow("Kb 2.5") << Range{0, 9999, 2560, 2} << u"3 Kb"_s;
        QTest::newRow("Kb -2.5") << Range{-9999, 9999, -2560, 2} << u"-3 Kb"_s;
        QTest::newRow("Mb 3") << Range{0, 1 << 30, 3145728, 3} << u"3 Mb"_s;
        QTest::newRow("Mb just under half") << Range{0, 1 << 30, 524287, 3} << u" Mb"_s;
        QTest::newRow("Mb half") << Range{0, 1 << 30, 524288, 3} << u"1 Mb"_s;
        QTest::newRow("of") << Range{0, 100, 0, 4} << u"0 of 100"_s;
        QTest::newRow("of 200") << Range{0, 200, 50, 4} << u"50 of 200"_s;
        QTest::newRow("largest percent") << Range{0, 1, INT32_MAX, 0} << u"214748364700 %"_s;
    }

    void StyleTexts() {
        QFETCH(Range, range);
        QFETCH(QString, text);
        QCOMPARE(PBarLogic::UpdateBar(range, W)->Text, text);
    }

    void FreeAndUnknownStylesKeepTheText() {
        for (qint32 style : {5, 6, 7, -1}) {
            const auto update = PBarLogic::UpdateBar({0, 100, 50, style}, W);
            QVERIFY(update);
            QVERIFY(!update->Text);
            QCOMPARE(update->BarWidth, float(Track / 2)); // the bar still moves
        }
    }

    // The cached text is the text made afresh, whatever the steps: a value that climbs or
    // falls one at a time, jumps, a new Max, a new style, a range refused in between.
    void CachedTextIsTheFreshText() {
        PBarLogic::TextCache cache;
        quint32 seed = 11;
        Range r{0, 100, 0, 0};
        for (int step = 0; step < 200000; ++step) {
            seed = seed * 1664525u + 1013904223u;
            switch (seed >> 29) {
            case 0:
                r.DisplayStyle = int(seed % 7);
                break;
            case 1:
                r.Max = int(seed % 5000) - 10;
                break;
            case 2:
                r.Value = int(seed % 2000000) - 1000;
                break;
            default:
                r.Value += (seed & 1) ? 1 : -1;
                break;
            }
            const auto fresh = PBarLogic::UpdateBar(r, W);
            const auto cached = PBarLogic::UpdateBar(r, W, &cache);
            QCOMPARE(cached.has_value(), fresh.has_value());
            if (fresh && cached->Text != fresh->Text)
                QFAIL(
                    qPrintable(u"style %1, max %2, value %3: %4 instead of %5"_s.arg(r.DisplayStyle)
                                   .arg(r.Max)
                                   .arg(r.Value)
                                   .arg(cached->Text.value_or(u"(none)"_s),
                                        fresh->Text.value_or(u"(none)"_s))));
        }
    }

    void ClampingOrder() {
        QCOMPARE(PBarLogic::ClampValue(150, 0, 100), 100);
        QCOMPARE(PBarLogic::ClampValue(5, 10, 100), 10);
        QCOMPARE(PBarLogic::ClampValue(30, 50, 20), 50); // Min wins over a lower Max
        QCOMPARE(PBarLogic::ClampValue(7, 0, 0), 0);
        QCOMPARE(PBarLogic::ClampValue(-25, -100, 100), -25);
    }
};

QTEST_APPLESS_MAIN(TestPBarLogic)
#include "tst_PBarLogic.moc"
