#include "ControlsTestSupport.h"

#include "controls/HotLook.h"

#include <QTest>

using namespace HotLook;

namespace {

const QSizeF FaceSize{1185, 315};
const Face Captioned{FaceSize, {600, 195}, false};
const Face Empty{FaceSize, {0, 195}, true};
const Colors Window{RgbColor(0x40, 0x40, 0x40), RgbColor(0, 0, 0), RgbColor(0, 0, 1)};
const OleColor Resting = RgbColor(0xC0, 0xC0, 0xC0);
const OleColor Active = RgbColor(0xE0, 0xE0, 0xE0);
const QPointF Centre{292.5, 60};

} // namespace

Q_DECLARE_METATYPE(HotLook::Look)
Q_DECLARE_METATYPE(HotLook::Face)

class TestHotLook : public QObject {
    Q_OBJECT

private slots:
    void HitTestCountsTheFarEdgesInside() {
        QVERIFY(IsInside({0, 0}, FaceSize));
        QVERIFY(IsInside({1185, 315}, FaceSize));
        QVERIFY(!IsInside({1186, 100}, FaceSize));
        QVERIFY(!IsInside({100, 316}, FaceSize));
        QVERIFY(!IsInside({100, -0.5}, FaceSize));
    }

    void CaptionCentringIsExact() {
        QCOMPARE(CentredCaption(Captioned), Centre);
        QCOMPARE(CentredCaption({{100, 100}, {33, 17}, false}), QPointF(33.5, 41.5));
        // A caption wider than the face starts left of it.
        QCOMPARE(CentredCaption({{100, 100}, {130, 10}, false}).x(), -15.0);
    }

    void ButtonLooks_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<qint16>("button");
        QTest::addColumn<Face>("face");
        QTest::addColumn<Look>("look");
        const Look hot{Active, Bevel::Raised, SysColor::ButtonShadow, SysColor::ButtonHighlight,
                       true,   Centre,        Window.ForeHi,          Capture::Take};
        const Look pressed{
            Active, Bevel::Sunken,         SysColor::ButtonHighlight, SysColor::ButtonShadow,
            true,   Centre + PressedShift, Window.ForeDown,           Capture::Take};
        const Look resting{Resting, Bevel::None, {},          {},
                           true,    Centre,      Window.Fore, Capture::Release};
        QTest::newRow("hot") << QPointF(600, 150) << qint16(0) << Captioned << hot;
        QTest::newRow("far corner is hot") << QPointF(1185, 315) << qint16(0) << Captioned << hot;
        QTest::newRow("left pressed") << QPointF(600, 150) << qint16(1) << Captioned << pressed;
        QTest::newRow("right pressed") << QPointF(0, 0) << qint16(2) << Captioned << pressed;
        QTest::newRow("one twip out") << QPointF(1186, 100) << qint16(0) << Captioned << resting;
        QTest::newRow("out, button held") << QPointF(-1, 5) << qint16(1) << Captioned << resting;
        Look hotEmpty = hot, pressedEmpty = pressed;
        hotEmpty.ShowCaption = pressedEmpty.ShowCaption = false;
        hotEmpty.CaptionPos = CentredCaption(Empty);
        pressedEmpty.CaptionPos = CentredCaption(Empty) + PressedShift;
        QTest::newRow("empty caption, hot") << QPointF(5, 5) << qint16(0) << Empty << hotEmpty;
        QTest::newRow("empty caption, pressed")
            << QPointF(5, 5) << qint16(4) << Empty << pressedEmpty;
    }

    void ButtonLooks() {
        QFETCH(QPointF, point);
        QFETCH(qint16, button);
        QFETCH(Face, face);
        QFETCH(Look, look);
        QVERIFY(ButtonLook(point, button, Resting, Active, Window, face) == look);
    }

    void NormalLookKeepsTheCurrentFace() {
        // A setter called while hot: caption in ForeColor, no bevel, hot colour kept.
        QVERIFY(NormalLook(Active, Window.Fore, true, Captioned) ==
                (Look{Active, Bevel::None, {}, {}, true, Centre, Window.Fore, Capture::Keep}));
        QCOMPARE(NormalLook(Resting, Window.Fore, false, Captioned).CaptionColor,
                 SysColor::ButtonShadow);
        QVERIFY(!NormalLook(Resting, Window.Fore, true, Empty).ShowCaption);
    }
};

QTEST_APPLESS_MAIN(TestHotLook)
#include "tst_HotLook.moc"
