#include "ControlsTestSupport.h"

#include "base/QuillanError.h"
#include "controls/LayoutText.h"
#include "controls/PropertyBag.h"
#include "controls/ucPBar.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

double Track(const ucPBar& bar) { return bar.width() * 15.0 - 30; }

} // namespace

class TestUcPBar : public QObject {
    Q_OBJECT

private slots:
    void NewControl() {
        ucPBar bar;
        QSignalSpy changed(&bar, &ucPBar::ValChanged);
        QSignalSpy resized(&bar, &ucPBar::Resize);
        QCOMPARE(bar.size(), QSize(317, 23));
        bar.InitProperties();
        QCOMPARE(bar.Caption(), u"0 %"_s);
        QCOMPARE(bar.BarWidth(), 0.0f);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(resized.count(), 1);
    }

    void SettersKeepTheirRules() {
        ucPBar bar;
        bar.InitProperties();
        bar.SetValue(250);
        QCOMPARE(bar.Value(), 100);
        QCOMPARE(bar.BarWidth(), float(Track(bar)));
        QCOMPARE(bar.Caption(), u"100 %"_s);

        bar.SetMin(10);
        bar.SetValue(5);
        QCOMPARE(bar.Value(), 10);
        QCOMPARE(bar.Caption(), u"10 %"_s);
        QCOMPARE(bar.BarWidth(), float(Track(bar) / 10));

        // Lowering Max does not clamp Value again: the bar overruns and the text passes 100.
        bar.SetMin(0);
        bar.SetMax(5);
        QCOMPARE(bar.Value(), 10);
        QCOMPARE(bar.Caption(), u"200 %"_s);
        QCOMPARE(bar.BarWidth(), float(Track(bar) * 2));

        // Min above Max: Value ends at Min and the display keeps its last state.
        bar.SetMin(50);
        bar.SetMax(20);
        bar.SetValue(30);
        QCOMPARE(bar.Value(), 50);
        QCOMPARE(bar.Caption(), u"200 %"_s);

        // Max 0 refuses every update, and Value ends at 0.
        bar.SetMax(0);
        bar.SetMin(0);
        bar.SetValue(30);
        QCOMPARE(bar.Value(), 0);
        QCOMPARE(bar.Caption(), u"200 %"_s);
        QCOMPARE(bar.BarWidth(), float(Track(bar) * 2));
    }

    void LayerStylesTakeOnlyZeroAndOne() {
        ucPBar bar;
        bar.SetBackStyle(0);
        bar.SetBorderStyle(1);
        try {
            bar.SetBackStyle(2);
            QFAIL("a back style of 2 must raise");
        } catch (const QuillanError& error) {
            QCOMPARE(error.Number(), 380); // "Invalid property value", as hosts expect it
            QCOMPARE(error.Source(), u"ucPBar.BackStyle"_s);
        }
        QVERIFY_THROWS_EXCEPTION(QuillanError, bar.SetBorderStyle(-1));
        QVERIFY_THROWS_EXCEPTION(QuillanError, bar.SetBarBorder(16));
        QCOMPARE(bar.BackStyle(), 0);
        QCOMPARE(bar.BorderStyle(), 1);
        QCOMPARE(bar.BarBorder(), 1);
        PropertyBag bag;
        bag.Set(u"BarBorder"_s, qint32(2));
        QVERIFY_THROWS_EXCEPTION(QuillanError, bar.ReadProperties(bag));
    }

    void CaptionAndFreeStyles() {
        ucPBar bar;
        bar.InitProperties();
        QSignalSpy changed(&bar, &ucPBar::ValChanged);
        bar.SetCaption(u"Reading"_s);
        QCOMPARE(bar.Caption(), u"Reading"_s);
        bar.SetValue(40); // style 0: the update replaces the caption
        QCOMPARE(bar.Caption(), u"40 %"_s);
        QCOMPARE(changed.count(), 2);

        for (qint32 style : {5, 7}) {
            bar.SetDisplayStyle(style);
            bar.SetCaption(u"Analyzing"_s);
            changed.clear();
            bar.SetValue(60);
            QCOMPARE(bar.Caption(), u"Analyzing"_s);
            QCOMPARE(bar.BarWidth(), float(Track(bar) * 0.6));
            QCOMPARE(changed.count(), 0);
        }
    }

    void LayoutPassFollowsTheSize() {
        ucPBar bar;
        bar.InitProperties();
        bar.SetValue(100);
        QSignalSpy resized(&bar, &ucPBar::Resize);
        bar.resize(100, 30);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QVERIFY(resized.count() >= 1);
        QCOMPARE(bar.BarWidth(), float(100 * 15 - 30));
    }

    void LoadsWithoutClampingAndSavesInOrder() {
        ucPBar bar;
        PropertyBag bag;
        bag.Set(u"Value"_s, qint32(500));
        bag.Set(u"max"_s, qint32(100));
        QFont tahoma(u"Tahoma"_s);
        tahoma.setPointSizeF(8.25);
        tahoma.setBold(true);
        bag.Set(u"Font"_s, tahoma);
        bag.Set(u"FontItalic"_s, true);
        bar.ReadProperties(bag);
        QCOMPARE(bar.Value(), 500);
        QCOMPARE(bar.BarWidth(), float(Track(bar) * 5));
        // The flags are read after the font: a missing FontBold unbolds the stored font.
        QVERIFY(!bar.FontBold());
        QVERIFY(bar.FontItalic());
        QCOMPARE(bar.Font().family(), u"Tahoma"_s);

        bar.SetFontBold(true);
        bar.SetFontUnderline(true);
        bar.SetFontStrikethru(true);
        bar.SetFontTransparent(false);
        bar.SetBackColor(RgbColor(0xC0, 0xC0, 0xC0));
        bar.SetForeColor(RgbColor(1, 1, 1));
        bar.SetBarBackColor(RgbColor(0x80, 0x80, 0x80));
        bar.SetBackStyle(0);
        bar.SetBorderStyle(1);
        bar.SetBarBorder(0);
        bar.SetEnabled(false);
        bar.SetMin(-1);
        bar.SetMax(1000);
        bar.SetDisplayStyle(5);
        bar.SetCaption(u"0 of 100"_s);
        PropertyBag saved;
        bar.WriteProperties(saved);
        QStringList names;
        for (const auto& e : saved.Entries())
            names << e.Name;
        QCOMPARE(names,
                 (QStringList{
                     u"BackColor"_s,       u"ForeColor"_s,     u"Enabled"_s,  u"Font"_s,
                     u"BackStyle"_s,       u"BorderStyle"_s,   u"Caption"_s,  u"FontItalic"_s,
                     u"FontBold"_s,        u"FontName"_s,      u"FontSize"_s, u"FontStrikethru"_s,
                     u"FontTransparent"_s, u"FontUnderline"_s, u"Min"_s,      u"BarBackColor"_s,
                     u"BarBorder"_s,       u"Max"_s,           u"Value"_s,    u"DisplayStyle"_s}));

        // Through the text form into a fresh control and out again: nothing is lost.
        const LayoutReadResult read =
            ReadLayoutText(WriteLayoutText({{u"Quillan.ucPBar"_s, u"PBar1"_s, saved}}));
        QVERIFY(read.Ok());
        ucPBar copy;
        copy.ReadProperties(read.Controls.front().Properties);
        PropertyBag again;
        copy.WriteProperties(again);
        QCOMPARE(again, saved);
    }

    void RelaysPointerAndKeys() {
        ucPBar bar;
        bar.InitProperties();
        QStringList events;
        connect(&bar, &ucPBar::MouseDown, this, [&](qint16 b, qint16 s, float x, float y) {
            events << u"MouseDown %1 %2 %3 %4"_s.arg(b).arg(s).arg(x).arg(y);
        });
        connect(&bar, &ucPBar::MouseUp, this,
                [&](qint16 b, qint16, float, float) { events << u"MouseUp %1"_s.arg(b); });
        connect(&bar, &ucPBar::Click, this, [&] { events << u"Click"_s; });
        connect(&bar, &ucPBar::DblClick, this, [&] { events << u"DblClick"_s; });
        connect(&bar, &ucPBar::KeyDown, this,
                [&](qint16 k, qint16 s) { events << u"KeyDown %1 %2"_s.arg(k).arg(s); });
        connect(&bar, &ucPBar::KeyPress, this,
                [&](qint16 a) { events << u"KeyPress %1"_s.arg(a); });
        connect(&bar, &ucPBar::KeyUp, this,
                [&](qint16 k, qint16) { events << u"KeyUp %1"_s.arg(k); });

        QTest::mouseClick(&bar, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 4));
        QTest::mouseClick(&bar, Qt::RightButton, {}, QPoint(10, 4));
        QTest::mouseDClick(&bar, Qt::LeftButton, {}, QPoint(10, 4));
        QTest::keyClick(&bar, Qt::Key_A);
        QCOMPARE(events, (QStringList{u"MouseDown 1 1 150 60"_s, u"MouseUp 1"_s, u"Click"_s,
                                      u"MouseDown 2 0 150 60"_s, u"MouseUp 2"_s, u"DblClick"_s,
                                      u"KeyDown 65 0"_s, u"KeyPress 97"_s, u"KeyUp 65"_s}));
    }

    void MillionUpdatesRepaintSynchronouslyButRarely() {
        ucPBar bar;
        bar.InitProperties();
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        PaintCounter counter;
        bar.installEventFilter(&counter);
        bar.SetMax(1000000);
        QElapsedTimer clock;
        clock.start();
        for (qint32 v = 1; v <= 1000000; ++v)
            bar.SetValue(v); // no event loop pass
        const qint64 elapsed = clock.elapsed();
        QVERIFY(counter.Paints >= 1); // progress shows while the loop runs
        QVERIFY2(counter.Paints <= elapsed / ucPBar::RepaintInterval + 2,
                 qPrintable(u"%1 paints in %2 ms"_s.arg(counter.Paints).arg(elapsed)));
        QCOMPARE(bar.Caption(), u"100 %"_s);
    }
};

QTEST_MAIN(TestUcPBar)
#include "tst_ucPBar.moc"
