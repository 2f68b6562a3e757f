#include "controls/HotCommand.h"

#include "controls/InputCodes.h"
#include "controls/PaintOps.h"
#include "controls/PropertyBag.h"
#include "controls/Twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

const QString DefaultCaption = u"HotCommand"_s;
const QString NewCaption = u"Command1"_s;
const QPointF Outside{-1, -1};

QSizeF ToTwips(QSizeF pixels) {
    return {Twips::FromPixels(pixels.width()), Twips::FromPixels(pixels.height())};
}

bool IsClickKey(const QKeyEvent& e) {
    return e.key() == Qt::Key_Return || e.key() == Qt::Key_Enter || e.key() == Qt::Key_Space;
}

} // namespace

HotCommand::HotCommand(QWidget* parent)
    : QWidget(parent), picButton_(new QWidget(this)), cmdMapped_(new QPushButton(this)) {
    picButton_->setObjectName(u"picButton"_s);
    picButton_->setMouseTracking(true);
    picButton_->setFocusPolicy(Qt::StrongFocus);
    picButton_->setAttribute(Qt::WA_OpaquePaintEvent);
    picButton_->installEventFilter(this);
    setFocusProxy(picButton_);
    setFocusPolicy(Qt::StrongFocus);

    cmdMapped_->setObjectName(u"cmdMapped"_s);
    cmdMapped_->setText(DefaultCaption);
    cmdMapped_->hide();
    cmdMapped_->installEventFilter(this);

    resize(qRound(Twips::ToPixels(DefaultTwips.width())),
           qRound(Twips::ToPixels(DefaultTwips.height())));
    LayoutPass();
}

QFont HotCommand::AmbientFont() const {
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void HotCommand::InitProperties() {
    backColorHi_ = SysColor::ButtonFace;
    foreColorHi_ = SysColor::ButtonText;
    backColorDown_ = SysColor::ButtonFace;
    foreColorDown_ = SysColor::ButtonText;
    cmdMapped_->setText(NewCaption);
    setEnabled(true);
    align_ = 0;
    picButton_->setToolTip(QString());
    picture_ = QImage();
    faceColor_ = restingColor_;
    LayoutPass();
}

void HotCommand::ReadProperties(const PropertyBag& bag) {
    restingColor_ = faceColor_ = bag.ReadProperty(u"BackColor"_s, SysColor::AppWorkspace);
    foreColor_ = bag.ReadProperty(u"ForeColor"_s, SysColor::WindowText);
    setEnabled(bag.ReadProperty(u"Enabled"_s, true));
    const QFont ambient = AmbientFont();
    const QFont loaded = bag.ReadProperty(u"Font"_s, ambient);
    // The ambient font is inherited rather than copied, so that it follows the host.
    SetFont(loaded == ambient ? QFont() : loaded);
    align_ = bag.ReadProperty(u"Align"_s, qint16(0));
    cancel_ = bag.ReadProperty(u"Cancel"_s, false);
    cmdMapped_->setText(bag.ReadProperty(u"Caption"_s, DefaultCaption));
    picButton_->setToolTip(bag.ReadProperty(u"ToolTipText"_s, QString()));
    SetPicture(bag.ReadProperty(u"Picture"_s, QImage()));
    backColorHi_ = bag.ReadProperty(u"BackColorHi"_s, SysColor::ButtonFace);
    foreColorHi_ = bag.ReadProperty(u"ForeColorHi"_s, SysColor::ButtonText);
    backColorDown_ = bag.ReadProperty(u"BackColorDown"_s, SysColor::ButtonFace);
    foreColorDown_ = bag.ReadProperty(u"ForeColorDown"_s, SysColor::ButtonText);
    LayoutPass();
}

void HotCommand::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(u"BackColor"_s, restingColor_, SysColor::AppWorkspace);
    bag.WriteProperty(u"ForeColor"_s, foreColor_, SysColor::WindowText);
    bag.WriteProperty(u"Enabled"_s, isEnabled(), true);
    bag.WriteProperty(u"Font"_s, font(), AmbientFont());
    bag.WriteProperty(u"Align"_s, align_, qint16(0));
    bag.WriteProperty(u"Cancel"_s, cancel_, false);
    bag.WriteProperty(u"Caption"_s, Caption(), DefaultCaption);
    bag.WriteProperty(u"ToolTipText"_s, ToolTipText(), QString());
    bag.WriteProperty(u"Picture"_s, picture_, QImage());
    bag.WriteProperty(u"BackColorHi"_s, backColorHi_, SysColor::ButtonFace);
    bag.WriteProperty(u"ForeColorHi"_s, foreColorHi_, SysColor::ButtonText);
    bag.WriteProperty(u"BackColorDown"_s, backColorDown_, SysColor::ButtonFace);
    bag.WriteProperty(u"ForeColorDown"_s, foreColorDown_, SysColor::ButtonText);
}

void HotCommand::SetBackColor(OleColor color) {
    restingColor_ = faceColor_ = color;
    emit PropertyChanged(u"BackColor"_s);
    DrawNormal();
}

void HotCommand::SetForeColor(OleColor color) {
    foreColor_ = color;
    emit PropertyChanged(u"ForeColor"_s);
    DrawNormal();
}

void HotCommand::SetEnabled(bool enabled) {
    // Always stored, even where a disabled parent already shows the control disabled, and
    // always redrawn, like every other setter.
    setEnabled(enabled);
    ApplyEnabledLook();
    emit PropertyChanged(u"Enabled"_s);
}

void HotCommand::SetFont(const QFont& f) {
    setFont(f);
    emit PropertyChanged(u"Font"_s);
    DrawNormal();
}

void HotCommand::SetAlign(qint16 align) {
    align_ = align;
    emit PropertyChanged(u"Align"_s);
}

QString HotCommand::Caption() const {
    return cmdMapped_->text();
}

void HotCommand::SetCaption(const QString& caption) {
    cmdMapped_->setText(caption);
    emit PropertyChanged(u"Caption"_s);
    DrawNormal();
}

QString HotCommand::ToolTipText() const {
    return picButton_->toolTip();
}

void HotCommand::SetToolTipText(const QString& text) {
    picButton_->setToolTip(text);
    emit PropertyChanged(u"ToolTipText"_s);
}

void HotCommand::SetPicture(const QImage& picture) {
    picture_ = picture;
    emit PropertyChanged(u"Picture"_s);
    DrawNormal();
}

void HotCommand::SetField(OleColor& field, OleColor value, const QString& name) {
    field = value;
    emit PropertyChanged(name);
}

void HotCommand::SetBackColorHi(OleColor c) {
    SetField(backColorHi_, c, u"BackColorHi"_s);
}
void HotCommand::SetForeColorHi(OleColor c) {
    SetField(foreColorHi_, c, u"ForeColorHi"_s);
}
void HotCommand::SetBackColorDown(OleColor c) {
    SetField(backColorDown_, c, u"BackColorDown"_s);
}
void HotCommand::SetForeColorDown(OleColor c) {
    SetField(foreColorDown_, c, u"ForeColorDown"_s);
}

void HotCommand::Refresh() {
    picButton_->repaint();
}

bool HotCommand::HasCapture() const {
    return QWidget::mouseGrabber() == picButton_;
}

HotLook::Face HotCommand::FaceNow() const {
    const QString caption = Caption();
    return {ToTwips(picButton_->size()), ToTwips(PaintOps::TextSize(picButton_->font(), caption)),
            caption.isEmpty()};
}

void HotCommand::DrawButton(QPointF point, qint16 button, OleColor resting, OleColor active) {
    Show(HotLook::ButtonLook(point, button, resting, active,
                             {foreColor_, foreColorHi_, foreColorDown_}, FaceNow()));
}

void HotCommand::DrawNormal() {
    Show(HotLook::NormalLook(faceColor_, foreColor_, isEnabled(), FaceNow()));
}

void HotCommand::Show(const HotLook::Look& look) {
    look_ = look;
    faceColor_ = look.Face;
    if (look.PointerCapture == HotLook::Capture::Release && HasCapture())
        picButton_->releaseMouse();
    if (look.PointerCapture == HotLook::Capture::Take && !HasCapture() && picButton_->isVisible())
        picButton_->grabMouse();
    // Drawn now: a click may start a long loop that does not yield before the window repaints.
    picButton_->repaint();
}

void HotCommand::LayoutPass() {
    picButton_->setGeometry(rect());
    DrawNormal();
}

void HotCommand::ApplyEnabledLook() {
    if (!isEnabled()) DrawButton(Outside, 0, restingColor_, restingColor_);
    DrawNormal();
}

void HotCommand::ClickFromFace() {
    DrawButton(Outside, 0, restingColor_, backColorDown_);
    emit Click();
}

void HotCommand::PaintFace() {
    QPainter p(picButton_);
    const QPalette& pal = palette();
    const QRectF face = picButton_->rect();
    p.fillRect(face, ResolveColor(look_.Face, pal));
    if (!picture_.isNull()) p.drawImage(QPointF(0, 0), picture_);
    if (look_.Edges != HotLook::Bevel::None) {
        PaintOps::DrawFrame(p, face, ResolveColor(look_.Outline, pal));
        PaintOps::DrawBevelEdges(p, face, ResolveColor(look_.TopLeft, pal));
    }
    if (look_.ShowCaption) {
        p.setFont(picButton_->font());
        const QPointF at(Twips::ToPixels(look_.CaptionPos.x()),
                         Twips::ToPixels(look_.CaptionPos.y()));
        PaintOps::DrawTextAt(p, at, Caption(), ResolveColor(look_.CaptionColor, pal));
    }
}

bool HotCommand::FaceEvent(QEvent* event) {
    // The filter sees input before QWidget::event would drop it for a disabled widget.
    if (!isEnabled() && (dynamic_cast<QInputEvent*>(event) != nullptr)) return true;
    switch (event->type()) {
    case QEvent::Paint:
        PaintFace();
        return true;
    case QEvent::MouseMove: {
        const auto a = InputCodes::MouseArgsOf(*static_cast<QMouseEvent*>(event));
        DrawButton({a.X, a.Y}, a.Button, restingColor_, a.Button ? backColorDown_ : backColorHi_);
        emit MouseMove(a.Button, a.Shift, a.X, a.Y);
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        const auto a = InputCodes::MouseArgsOf(*e);
        click_.Press(e->button());
        DrawButton({a.X, a.Y}, a.Button, restingColor_, backColorDown_);
        emit MouseDown(a.Button, a.Shift, a.X, a.Y);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto* e = static_cast<QMouseEvent*>(event);
        const auto a = InputCodes::MouseArgsOf(*e);
        if (HasCapture()) picButton_->releaseMouse();
        emit MouseUp(a.Button, a.Shift, a.X, a.Y);
        if (click_.Release(e->button(), HotLook::IsInside({a.X, a.Y}, FaceNow().Size)))
            ClickFromFace();
        return true;
    }
    case QEvent::Leave:
        // Where the platform cannot hold the pointer (Wayland, or a pointer leaving the window
        // faster than it moves), leaving stands in for the move outside that was never seen.
        if (isEnabled()) DrawButton(Outside, 0, restingColor_, backColorHi_);
        return false;
    case QEvent::Hide:
        // A hidden face must not keep the pointer; it comes back resting.
        DrawButton(Outside, 0, restingColor_, backColorHi_);
        return false;
    case QEvent::MouseButtonDblClick:
        click_.DoubleClick();
        emit DblClick();
        return true;
    case QEvent::KeyPress:
        if (!IsClickKey(*static_cast<QKeyEvent*>(event))) return false;
        ClickFromFace();
        return true;
    default:
        return false;
    }
}

bool HotCommand::ProxyEvent(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* e = static_cast<QKeyEvent*>(event);
        emit KeyDown(InputCodes::KeyCode(*e), InputCodes::ShiftCode(e->modifiers()));
        if (const qint16 ascii = InputCodes::KeyAscii(*e)) emit KeyPress(ascii);
    } else if (event->type() == QEvent::KeyRelease) {
        const auto* e = static_cast<QKeyEvent*>(event);
        if (!e->isAutoRepeat())
            emit KeyUp(InputCodes::KeyCode(*e), InputCodes::ShiftCode(e->modifiers()));
    }
    return false;
}

bool HotCommand::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picButton_) return FaceEvent(event);
    if (watched == cmdMapped_) return ProxyEvent(event);
    return QWidget::eventFilter(watched, event);
}

void HotCommand::resizeEvent(QResizeEvent*) {
    LayoutPass();
}

void HotCommand::changeEvent(QEvent* event) {
    // Enabled or disabled another way: from the stored properties, or through a parent.
    if (event->type() == QEvent::EnabledChange) ApplyEnabledLook();
    QWidget::changeEvent(event);
}
