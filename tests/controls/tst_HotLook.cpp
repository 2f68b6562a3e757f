#include "controls/HotLook.h"

#include "TestSupport.h"

#include <QTest>

using namespace HotLook;

namespace {

const QSizeF FaceSize{1185, 315};
const Face Captioned{FaceSize, {600, 195}, false};
const Colors WindowColors{RgbColor(0x40, 0x40, 0x40), RgbColor(0, 0, 0), RgbColor(0, 0, 0)};
const OleColor Resting = RgbColor(0xC0, 0xC0, 0xC0);
const OleColor Hi = RgbColor(0xC0, 0xC0, 0xC0);
const OleColor Down = RgbColor(0xE0, 0xE0, 0xE0);

} // namespace

class TestHotLook : public QObject {
    Q_OBJECT

private slots:
    void HitTestCountsTheFarEdgesInside() {
        QVERIFY(IsInside({0, 0}, FaceSize));
        QVERIFY(IsInside({1185, 315}, FaceSize));
        QVERIFY(!IsInside({1186, 100}, FaceSize));
        QVERIFY(!IsInside({100, 316}, FaceSize));
        QVERIFY(!IsInside({-1, -1}, FaceSize));
        QVERIFY(!IsInside({100, -0.5}, FaceSize));
    }

    void CaptionCentringIsExact() {
        QCOMPARE(CentredCaption(Captioned), QPointF(292.5, 60));
        QCOMPARE(CentredCaption({{100, 100}, {33, 17}, false}), QPointF(33.5, 41.5));
        // A caption wider than the face starts left of it.
        QCOMPARE(CentredCaption({{100, 100}, {130, 10}, false}).x(), -15.0);
    }

    void HotWhenThePointerIsOver() {
        const Look look = ButtonLook({600, 150}, 0, Resting, Hi, WindowColors, Captioned);
        QCOMPARE(look.Face, Hi);
        QCOMPARE(look.Edges, Bevel::Raised);
        QCOMPARE(look.Outline, SysColor::ButtonShadow);
        QCOMPARE(look.TopLeft, SysColor::ButtonHighlight);
        QCOMPARE(look.CaptionPos, QPointF(292.5, 60));
        QCOMPARE(look.CaptionColor, WindowColors.ForeHi);
        QCOMPARE(look.PointerCapture, Capture::Take);
        // With the window's colours only the bevel and the caption colour tell it from rest.
        const Look rest = NormalLook(Resting, WindowColors.Fore, true, Captioned);
        QCOMPARE(rest.Face, look.Face);
        QVERIFY(rest.CaptionColor != look.CaptionColor);
    }

    void PressedLookWithAnyButton() {
        for (qint16 button : {1, 2, 4}) {
            const Look look =
                ButtonLook({1185, 315}, button, Resting, Down, WindowColors, Captioned);
            QCOMPARE(look.Face, Down);
            QCOMPARE(look.Edges, Bevel::Sunken);
            QCOMPARE(look.Outline, SysColor::ButtonHighlight);
            QCOMPARE(look.TopLeft, SysColor::ButtonShadow);
            QCOMPARE(look.CaptionPos, QPointF(322.5, 75));
            QCOMPARE(look.CaptionColor, WindowColors.ForeDown);
            QCOMPARE(look.PointerCapture, Capture::Take);
        }
    }

    void OutsideIsRestingAndReleases() {
        const Look look = ButtonLook({1186, 100}, 1, Resting, Down, WindowColors, Captioned);
        QCOMPARE(look.Face, Resting);
        QCOMPARE(look.Edges, Bevel::None);
        QCOMPARE(look.CaptionColor, WindowColors.Fore);
        QCOMPARE(look.CaptionPos, QPointF(292.5, 60));
        QCOMPARE(look.PointerCapture, Capture::Release);
    }

    void EmptyCaptionStillChangesBevelAndColour() {
        const Face empty{FaceSize, {0, 195}, true};
        const Look hot = ButtonLook({10, 10}, 0, Resting, RgbColor(1, 2, 3), WindowColors, empty);
        const Look pressed = ButtonLook({10, 10}, 1, Resting, Down, WindowColors, empty);
        QVERIFY(!hot.ShowCaption && !pressed.ShowCaption);
        QVERIFY(!NormalLook(Resting, WindowColors.Fore, true, empty).ShowCaption);
        QCOMPARE(hot.Edges, Bevel::Raised);
        QCOMPARE(hot.Face, RgbColor(1, 2, 3));
        QCOMPARE(pressed.Edges, Bevel::Sunken);
    }

    void NormalLookKeepsTheCurrentFace() {
        // A setter called while hot: caption in ForeColor, no bevel, hot colour kept.
        const Look onHot = NormalLook(Hi, WindowColors.Fore, true, Captioned);
        QCOMPARE(onHot.Face, Hi);
        QCOMPARE(onHot.Edges, Bevel::None);
        QCOMPARE(onHot.CaptionColor, WindowColors.Fore);
        QCOMPARE(onHot.PointerCapture, Capture::Keep);
        const Look disabled = NormalLook(Resting, WindowColors.Fore, false, Captioned);
        QCOMPARE(disabled.CaptionColor, SysColor::ButtonShadow);
        QCOMPARE(disabled.CaptionPos, QPointF(292.5, 60));
    }
};

QTEST_APPLESS_MAIN(TestHotLook)
#include "tst_HotLook.moc"
