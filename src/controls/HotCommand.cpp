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
    : QWidget(parent), m_PicButton(new QWidget(this)), m_CmdMapped(new QPushButton(this)) {
    m_PicButton->setObjectName(u"picButton"_s);
    m_PicButton->setMouseTracking(true);
    m_PicButton->setFocusPolicy(Qt::StrongFocus);
    m_PicButton->setAttribute(Qt::WA_OpaquePaintEvent);
    m_PicButton->installEventFilter(this);
    setFocusProxy(m_PicButton);
    setFocusPolicy(Qt::StrongFocus);

    m_CmdMapped->setObjectName(u"cmdMapped"_s);
    m_CmdMapped->setText(DefaultCaption);
    m_CmdMapped->hide();
    m_CmdMapped->installEventFilter(this);

    resize(qRound(Twips::ToPixels(DefaultTwips.width())),
           qRound(Twips::ToPixels(DefaultTwips.height())));
    LayoutPass();
}

QFont HotCommand::AmbientFont() const {
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void HotCommand::InitProperties() {
    m_BackColorHi = SysColor::ButtonFace;
    m_ForeColorHi = SysColor::ButtonText;
    m_BackColorDown = SysColor::ButtonFace;
    m_ForeColorDown = SysColor::ButtonText;
    m_CmdMapped->setText(NewCaption);
    setEnabled(true);
    m_Align = 0;
    m_PicButton->setToolTip(QString());
    m_Picture = QImage();
    m_FaceColor = m_RestingColor;
    LayoutPass();
}

void HotCommand::ReadProperties(const PropertyBag& bag) {
    m_RestingColor = m_FaceColor = bag.ReadProperty(u"BackColor"_s, SysColor::AppWorkspace);
    m_ForeColor = bag.ReadProperty(u"ForeColor"_s, SysColor::WindowText);
    setEnabled(bag.ReadProperty(u"Enabled"_s, true));
    const QFont ambient = AmbientFont();
    const QFont loaded = bag.ReadProperty(u"Font"_s, ambient);
    // The ambient font is inherited rather than copied, so that it follows the host.
    SetFont(loaded == ambient ? QFont() : loaded);
    m_Align = bag.ReadProperty(u"Align"_s, qint16(0));
    m_Cancel = bag.ReadProperty(u"Cancel"_s, false);
    m_CmdMapped->setText(bag.ReadProperty(u"Caption"_s, DefaultCaption));
    m_PicButton->setToolTip(bag.ReadProperty(u"ToolTipText"_s, QString()));
    SetPicture(bag.ReadProperty(u"Picture"_s, QImage()));
    m_BackColorHi = bag.ReadProperty(u"BackColorHi"_s, SysColor::ButtonFace);
    m_ForeColorHi = bag.ReadProperty(u"ForeColorHi"_s, SysColor::ButtonText);
    m_BackColorDown = bag.ReadProperty(u"BackColorDown"_s, SysColor::ButtonFace);
    m_ForeColorDown = bag.ReadProperty(u"ForeColorDown"_s, SysColor::ButtonText);
    LayoutPass();
}

void HotCommand::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(u"BackColor"_s, m_RestingColor, SysColor::AppWorkspace);
    bag.WriteProperty(u"ForeColor"_s, m_ForeColor, SysColor::WindowText);
    bag.WriteProperty(u"Enabled"_s, isEnabled(), true);
    bag.WriteProperty(u"Font"_s, font(), AmbientFont());
    bag.WriteProperty(u"Align"_s, m_Align, qint16(0));
    bag.WriteProperty(u"Cancel"_s, m_Cancel, false);
    bag.WriteProperty(u"Caption"_s, Caption(), DefaultCaption);
    bag.WriteProperty(u"ToolTipText"_s, ToolTipText(), QString());
    bag.WriteProperty(u"Picture"_s, m_Picture, QImage());
    bag.WriteProperty(u"BackColorHi"_s, m_BackColorHi, SysColor::ButtonFace);
    bag.WriteProperty(u"ForeColorHi"_s, m_ForeColorHi, SysColor::ButtonText);
    bag.WriteProperty(u"BackColorDown"_s, m_BackColorDown, SysColor::ButtonFace);
    bag.WriteProperty(u"ForeColorDown"_s, m_ForeColorDown, SysColor::ButtonText);
}

void HotCommand::SetBackColor(OleColor color) {
    m_RestingColor = m_FaceColor = color;
    emit PropertyChanged(u"BackColor"_s);
    DrawNormal();
}

void HotCommand::SetForeColor(OleColor color) {
    m_ForeColor = color;
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
    m_Align = align;
    emit PropertyChanged(u"Align"_s);
}

QString HotCommand::Caption() const { return m_CmdMapped->text(); }

void HotCommand::SetCaption(const QString& caption) {
    m_CmdMapped->setText(caption);
    emit PropertyChanged(u"Caption"_s);
    DrawNormal();
}

QString HotCommand::ToolTipText() const { return m_PicButton->toolTip(); }

void HotCommand::SetToolTipText(const QString& text) {
    m_PicButton->setToolTip(text);
    emit PropertyChanged(u"ToolTipText"_s);
}

void HotCommand::SetPicture(const QImage& picture) {
    m_Picture = picture;
    emit PropertyChanged(u"Picture"_s);
    DrawNormal();
}

void HotCommand::SetField(OleColor& field, OleColor value, const QString& name) {
    field = value;
    emit PropertyChanged(name);
}

void HotCommand::SetBackColorHi(OleColor c) { SetField(m_BackColorHi, c, u"BackColorHi"_s); }
void HotCommand::SetForeColorHi(OleColor c) { SetField(m_ForeColorHi, c, u"ForeColorHi"_s); }
void HotCommand::SetBackColorDown(OleColor c) { SetField(m_BackColorDown, c, u"BackColorDown"_s); }
void HotCommand::SetForeColorDown(OleColor c) { SetField(m_ForeColorDown, c, u"ForeColorDown"_s); }

void HotCommand::Refresh() { m_PicButton->repaint(); }

bool HotCommand::HasCapture() const { return QWidget::mouseGrabber() == m_PicButton; }

HotLook::Face HotCommand::FaceNow() const {
    const QString caption = Caption();
    return {ToTwips(m_PicButton->size()), ToTwips(PaintOps::TextSize(m_PicButton->font(), caption)),
            caption.isEmpty()};
}

void HotCommand::DrawButton(QPointF point, qint16 button, OleColor resting, OleColor active) {
    Show(HotLook::ButtonLook(point, button, resting, active,
                             {m_ForeColor, m_ForeColorHi, m_ForeColorDown}, FaceNow()));
}

void HotCommand::DrawNormal() {
    Show(HotLook::NormalLook(m_FaceColor, m_ForeColor, isEnabled(), FaceNow()));
}

void HotCommand::Show(const HotLook::Look& look) {
    m_Look = look;
    m_FaceColor = look.Face;
    if (look.PointerCapture == HotLook::Capture::Release && HasCapture())
        m_PicButton->releaseMouse();
    if (look.PointerCapture == HotLook::Capture::Take && !HasCapture() && m_PicButton->isVisible())
        m_PicButton->grabMouse();
    // Drawn now: a click may start a long loop that does not yield before the window repaints.
    m_PicButton->repaint();
}

void HotCommand::LayoutPass() {
    m_PicButton->setGeometry(rect());
    DrawNormal();
}

void HotCommand::ApplyEnabledLook() {
    if (!isEnabled()) DrawButton(Outside, 0, m_RestingColor, m_RestingColor);
    DrawNormal();
}

void HotCommand::ClickFromFace() {
    DrawButton(Outside, 0, m_RestingColor, m_BackColorDown);
    emit Click();
}

void HotCommand::PaintFace() {
    QPainter p(m_PicButton);
    const QPalette& pal = palette();
    const QRectF face = m_PicButton->rect();
    p.fillRect(face, ResolveColor(m_Look.Face, pal));
    if (!m_Picture.isNull()) p.drawImage(QPointF(0, 0), m_Picture);
    if (m_Look.Edges != HotLook::Bevel::None) {
        PaintOps::DrawFrame(p, face, ResolveColor(m_Look.Outline, pal));
        PaintOps::DrawBevelEdges(p, face, ResolveColor(m_Look.TopLeft, pal));
    }
    if (m_Look.ShowCaption) {
        p.setFont(m_PicButton->font());
        const QPointF at(Twips::ToPixels(m_Look.CaptionPos.x()),
                         Twips::ToPixels(m_Look.CaptionPos.y()));
        PaintOps::DrawTextAt(p, at, Caption(), ResolveColor(m_Look.CaptionColor, pal));
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
        DrawButton({a.X, a.Y}, a.Button, m_RestingColor,
                   a.Button ? m_BackColorDown : m_BackColorHi);
        emit MouseMove(a.Button, a.Shift, a.X, a.Y);
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        const auto a = InputCodes::MouseArgsOf(*e);
        m_Click.Press(e->button());
        DrawButton({a.X, a.Y}, a.Button, m_RestingColor, m_BackColorDown);
        emit MouseDown(a.Button, a.Shift, a.X, a.Y);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto* e = static_cast<QMouseEvent*>(event);
        const auto a = InputCodes::MouseArgsOf(*e);
        if (HasCapture()) m_PicButton->releaseMouse();
        emit MouseUp(a.Button, a.Shift, a.X, a.Y);
        if (m_Click.Release(e->button(), HotLook::IsInside({a.X, a.Y}, FaceNow().Size)))
            ClickFromFace();
        return true;
    }
    case QEvent::Leave:
        // Where the platform cannot hold the pointer (Wayland, or a pointer leaving the window
        // faster than it moves), leaving stands in for the move outside that was never seen.
        if (isEnabled()) DrawButton(Outside, 0, m_RestingColor, m_BackColorHi);
        return false;
    case QEvent::Hide:
        // A hidden face must not keep the pointer; it comes back resting, and a disabled
        // button with its disabled caption (hiding also comes with minimising the window).
        DrawButton(Outside, 0, m_RestingColor, m_BackColorHi);
        if (!isEnabled()) DrawNormal();
        return false;
    case QEvent::MouseButtonDblClick:
        m_Click.DoubleClick();
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
    if (watched == m_PicButton) return FaceEvent(event);
    if (watched == m_CmdMapped) return ProxyEvent(event);
    return QWidget::eventFilter(watched, event);
}

void HotCommand::resizeEvent(QResizeEvent*) { LayoutPass(); }

void HotCommand::changeEvent(QEvent* event) {
    // Enabled or disabled another way: from the stored properties, or through a parent.
    if (event->type() == QEvent::EnabledChange) ApplyEnabledLook();
    QWidget::changeEvent(event);
}
