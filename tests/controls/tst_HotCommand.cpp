#include "ControlsTestSupport.h"

#include "controls/HotCommand.h"
#include "controls/LayoutText.h"
#include "controls/PropertyBag.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

using namespace Qt::StringLiterals;
using HotLook::Bevel;

namespace {

const OleColor Resting = RgbColor(0xC0, 0xC0, 0xC0);
const OleColor Hi = RgbColor(0xD0, 0xD0, 0xD0);
const OleColor Down = RgbColor(0xE0, 0xE0, 0xE0);
const QPoint FaceAt{20, 20}; // where the button sits in its window

} // namespace

// A window holding one button with the main window's usual colours; pointer input goes
// through the window, as the platform delivers it, so capture and routing are real.
class TestHotCommand : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window_;
    HotCommand* button_ = nullptr;
    QStringList events_;

    QWindow* Window() { return window_->windowHandle(); }
    QPoint OnFace(int x, int y) { return FaceAt + QPoint(x, y); }
    void Move(QPoint at) { QTest::mouseMove(Window(), at); }

private slots:
    void initTestCase() { QuietGrabWarnings(); }

    void init() {
        window_ = std::make_unique<QWidget>();
        window_->resize(200, 100);
        button_ = new HotCommand(window_.get());
        PropertyBag bag;
        bag.Set(u"Caption"_s, u"Re-read Log"_s);
        bag.Set(u"BackColor"_s, Resting);
        bag.Set(u"ForeColor"_s, RgbColor(0x40, 0x40, 0x40));
        bag.Set(u"BackColorHi"_s, Hi);
        bag.Set(u"ForeColorHi"_s, RgbColor(0, 0, 0));
        bag.Set(u"BackColorDown"_s, Down);
        bag.Set(u"ForeColorDown"_s, RgbColor(0, 0, 1));
        button_->ReadProperties(bag);
        button_->setGeometry(QRect(FaceAt, QSize(79, 21)));
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        Move({5, 5});

        events_.clear();
        connect(button_, &HotCommand::MouseMove, this, [this](qint16 b, qint16, float x, float) {
            events_ << u"MouseMove %1 %2"_s.arg(b).arg(x);
        });
        connect(button_, &HotCommand::MouseDown, this,
                [this](qint16 b, qint16, float, float) { events_ << u"MouseDown %1"_s.arg(b); });
        connect(button_, &HotCommand::MouseUp, this,
                [this](qint16 b, qint16, float, float) { events_ << u"MouseUp %1"_s.arg(b); });
        connect(button_, &HotCommand::DblClick, this, [this] { events_ << u"DblClick"_s; });
        connect(button_, &HotCommand::Click, this, [this] {
            // The resting look is already drawn, and the capture given back, when Click runs.
            const bool resting = button_->ShownLook().Edges == Bevel::None &&
                                 button_->ShownLook().Face == Resting && !button_->HasCapture();
            events_ << (resting ? u"Click"_s : u"Click before the resting look"_s);
        });
    }

    void cleanup() {
        if (QWidget::mouseGrabber()) QWidget::mouseGrabber()->releaseMouse();
        window_.reset();
    }

    void PointerInAndOut() {
        QCOMPARE(button_->ShownLook().Face, Resting);
        Move(OnFace(40, 10));
        QCOMPARE(button_->ShownLook().Edges, Bevel::Raised);
        QCOMPARE(button_->ShownLook().Face, Hi);
        QCOMPARE(button_->ShownLook().CaptionColor, RgbColor(0, 0, 0));
        QVERIFY(button_->HasCapture());

        Move(OnFace(79, 21)); // the far edges count as inside
        QCOMPARE(button_->ShownLook().Edges, Bevel::Raised);
        Move(OnFace(100, 10)); // reaches the face only through the capture
        QCOMPARE(button_->ShownLook().Edges, Bevel::None);
        QCOMPARE(button_->ShownLook().Face, Resting);
        QVERIFY(!button_->HasCapture());
        QCOMPARE(events_,
                 (QStringList{u"MouseMove 0 600"_s, u"MouseMove 0 1185"_s, u"MouseMove 0 1500"_s}));

        // A pointer that leaves without a move outside being seen still ends the hot look.
        Move(OnFace(40, 10));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button_->picButton(), &leave);
        QCOMPARE(button_->ShownLook().Edges, Bevel::None);
        QVERIFY(!button_->HasCapture());
    }

    void ClickOrder() {
        Move(OnFace(40, 10));
        events_.clear();
        QTest::mousePress(Window(), Qt::LeftButton, {}, OnFace(40, 10));
        const HotLook::Look pressed = button_->ShownLook();
        QCOMPARE(pressed.Edges, Bevel::Sunken);
        QCOMPARE(pressed.Face, Down);
        QCOMPARE(pressed.CaptionColor, RgbColor(0, 0, 1));
        QTest::mouseRelease(Window(), Qt::LeftButton, {}, OnFace(40, 10));
        QCOMPARE(events_, (QStringList{u"MouseDown 1"_s, u"MouseUp 1"_s, u"Click"_s}));
        // Resting until the pointer moves again, then hot.
        Move(OnFace(41, 10));
        QCOMPARE(button_->ShownLook().Edges, Bevel::Raised);
    }

    void RightButtonPressesButDoesNotClick() {
        Move(OnFace(40, 10));
        events_.clear();
        QTest::mousePress(Window(), Qt::RightButton, {}, OnFace(40, 10));
        QCOMPARE(button_->ShownLook().Edges, Bevel::Sunken);
        QTest::mouseRelease(Window(), Qt::RightButton, {}, OnFace(40, 10));
        QVERIFY(!button_->HasCapture());
        // Release leaves the pressed look up until the next move.
        QCOMPARE(button_->ShownLook().Edges, Bevel::Sunken);
        QCOMPARE(events_, (QStringList{u"MouseDown 2"_s, u"MouseUp 2"_s}));
    }

    void DragOutGivesNoClick() {
        QTest::mousePress(Window(), Qt::LeftButton, {}, OnFace(40, 10));
        Move(OnFace(-10, 10));
        QCOMPARE(button_->ShownLook().Edges, Bevel::None);
        QTest::mouseRelease(Window(), Qt::LeftButton, {}, OnFace(-10, 10));
        QVERIFY(!events_.contains(u"Click"_s));
        QVERIFY(!button_->HasCapture());
    }

    void EnterAndSpaceClick() {
        button_->setFocus();
        QVERIFY(button_->picButton()->hasFocus());
        Move(OnFace(40, 10));
        QTest::keyClick(button_->picButton(), Qt::Key_Return);
        QTest::keyClick(button_->picButton(), Qt::Key_Space);
        QTest::keyClick(button_->picButton(), Qt::Key_Enter);
        QTest::keyClick(button_->picButton(), Qt::Key_A);
        QCOMPARE(events_.filter(u"Click"_s), (QStringList{u"Click"_s, u"Click"_s, u"Click"_s}));
    }

    void DisableWhileHot() {
        Move(OnFace(40, 10));
        QVERIFY(button_->HasCapture());
        button_->SetEnabled(false);
        QVERIFY(!button_->HasCapture());
        QCOMPARE(button_->ShownLook().Face, Resting);
        QCOMPARE(button_->ShownLook().CaptionColor, SysColor::ButtonShadow);
        events_.clear();
        QTest::mouseClick(Window(), Qt::LeftButton, {}, OnFace(40, 10));
        QTest::keyClick(button_->picButton(), Qt::Key_Space);
        QVERIFY(events_.filter(u"Mouse"_s).isEmpty());
        QVERIFY(!events_.contains(u"Click"_s));
        button_->SetEnabled(true);
        QCOMPARE(button_->ShownLook().CaptionColor, RgbColor(0x40, 0x40, 0x40));
    }

    void EnabledIsStoredUnderADisabledParent() {
        QSignalSpy changed(button_, &HotCommand::PropertyChanged);
        window_->setEnabled(false);
        QCOMPARE(button_->ShownLook().CaptionColor, SysColor::ButtonShadow);
        button_->SetEnabled(false);
        window_->setEnabled(true);
        QVERIFY(!button_->Enabled());
        QCOMPARE(button_->ShownLook().CaptionColor, SysColor::ButtonShadow);
        // An unchanged state still tells the host.
        button_->SetEnabled(true);
        button_->SetEnabled(true);
        QVERIFY(button_->Enabled());
        QCOMPARE(button_->ShownLook().CaptionColor, RgbColor(0x40, 0x40, 0x40));
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.back().front().toString(), u"Enabled"_s);
    }

    // Minimised and restored, or hidden and shown, a disabled button still looks disabled:
    // in its look and in the pixels drawn.
    void DisabledLookSurvivesHideAndShow() {
        const auto face = [this] { return button_->picButton()->grab().toImage(); };
        const QImage enabled = face();
        button_->SetEnabled(false);
        const QImage disabled = face();
        QVERIFY(disabled != enabled); // the caption is drawn in another colour
        for (const auto& [hide, show] :
             {std::pair<std::function<void()>, std::function<void()>>{[this] { button_->hide(); },
                                                                      [this] { button_->show(); }},
              {[this] { window_->showMinimized(); }, [this] { window_->showNormal(); }}}) {
            hide();
            QCOMPARE(button_->ShownLook().CaptionColor, SysColor::ButtonShadow);
            show();
            QCOMPARE(button_->ShownLook().CaptionColor, SysColor::ButtonShadow);
            QCOMPARE(face(), disabled);
        }
    }

    void HidingReleasesCapture() {
        Move(OnFace(40, 10));
        QVERIFY(button_->HasCapture());
        button_->hide();
        QVERIFY(!button_->HasCapture());
        button_->show();
        QCOMPARE(button_->ShownLook().Edges, Bevel::None);
    }

    void SettersWhileHot() {
        Move(OnFace(40, 10));
        const HotLook::Look hot = button_->ShownLook();
        button_->SetBackColorHi(RgbColor(1, 2, 3));
        QCOMPARE(button_->ShownLook(), hot); // no repaint until the pointer moves
        button_->SetCaption(u"Exit"_s);
        QCOMPARE(button_->ShownLook().Face, Hi); // resting look drawn on the hot colour
        QCOMPARE(button_->ShownLook().Edges, Bevel::None);
        QCOMPARE(button_->ShownLook().CaptionColor, RgbColor(0x40, 0x40, 0x40));
        Move(OnFace(41, 10));
        QCOMPARE(button_->ShownLook().Face, RgbColor(1, 2, 3));
    }

    void DoubleClick() {
        Move(OnFace(40, 10));
        events_.clear();
        QTest::mouseDClick(Window(), Qt::LeftButton, {}, OnFace(40, 10));
        QCOMPARE(events_, (QStringList{u"MouseDown 1"_s, u"MouseUp 1"_s, u"Click"_s, u"DblClick"_s,
                                       u"MouseUp 1"_s}));
    }

    void ProxyKeysAreRelayed() {
        QSignalSpy down(button_, &HotCommand::KeyDown);
        QSignalSpy press(button_, &HotCommand::KeyPress);
        QSignalSpy up(button_, &HotCommand::KeyUp);
        QTest::keyClick(button_->cmdMapped(), 'B', Qt::ShiftModifier);
        // The Shift key itself goes down and up around the B.
        QCOMPARE(down.count(), 2);
        QCOMPARE(down.front(), (QVariantList{qint16(0x10), qint16(1)}));
        QCOMPARE(down.back(), (QVariantList{qint16(66), qint16(1)}));
        QCOMPARE(press.count(), 1);
        QCOMPARE(press.front().front().value<qint16>(), qint16('B'));
        QCOMPARE(up.count(), 2);
        QCOMPARE(up.front(), (QVariantList{qint16(66), qint16(1)}));
    }

    void StoredProperties() {
        HotCommand fresh(window_.get());
        fresh.InitProperties();
        QCOMPARE(fresh.Caption(), u"Command1"_s);
        PropertyBag bag;
        fresh.SetCaption(u"HotCommand"_s);
        fresh.WriteProperties(bag);
        QVERIFY(bag.IsEmpty()); // a new control with the default caption writes nothing

        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QFont bold = fresh.Font();
        bold.setBold(true);
        fresh.SetFont(bold);
        fresh.SetCaption(u"D"_s);
        fresh.SetToolTipText(u"Open Default Log"_s);
        fresh.SetPicture(picture);
        fresh.SetAlign(2);
        fresh.SetEnabled(false);
        fresh.SetBackColor(Resting);
        fresh.SetForeColor(RgbColor(0x40, 0x40, 0x40));
        fresh.SetBackColorHi(Hi);
        fresh.SetForeColorHi(RgbColor(0, 0, 0));
        fresh.SetBackColorDown(Down);
        fresh.SetForeColorDown(RgbColor(0xFF, 0xFF, 0xFF));
        fresh.WriteProperties(bag);
        QCOMPARE(bag.Entries().size(), 12);
        // Cancel is no property of the interface; it only travels through the stored layout.
        PropertyBag expected;
        for (const PropertyBag::Entry& e : bag.Entries()) {
            expected.Set(e.Name, e.Data);
            if (e.Name == u"Align"_s) expected.Set(u"Cancel"_s, true);
        }

        const LayoutReadResult read = ReadLayoutText(
            WriteLayoutText({{u"Quillan.HotCommand"_s, u"cmdOpenDefault"_s, expected}}));
        QVERIFY(read.Ok());
        HotCommand copy(window_.get());
        copy.ReadProperties(read.Controls.front().Properties);
        QCOMPARE(copy.ToolTipText(), u"Open Default Log"_s);
        QVERIFY(!copy.Enabled());
        PropertyBag again;
        copy.WriteProperties(again);
        QCOMPARE(again, expected);
    }
};

QTEST_MAIN(TestHotCommand)
#include "tst_HotCommand.moc"
