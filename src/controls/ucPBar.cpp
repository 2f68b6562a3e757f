#include "controls/ucPBar.h"

#include "base/QuillanError.h"
#include "controls/InputCodes.h"
#include "controls/PaintOps.h"
#include "controls/PropertyBag.h"
#include "controls/Twips.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

using namespace Qt::StringLiterals;
using PBarLogic::Range;

namespace {

const QString DefaultCaption = u"100% Complete"_s;

qint32 CheckedStyle(qint32 value, const QString& name) {
    if (value != 0 && value != 1)
        throw QuillanError(ErrorNumbers::InvalidPropertyValue, u"ucPBar."_s + name,
                           u"Invalid property value"_s);
    return value;
}

} // namespace

ucPBar::ucPBar(QWidget* parent) : QWidget(parent), m_Text(DefaultCaption) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    resize(qRound(Twips::ToPixels(DefaultTwips.width())),
           qRound(Twips::ToPixels(DefaultTwips.height())));
}

QFont ucPBar::AmbientFont() const {
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void ucPBar::InitProperties() {
    m_BackColor = SysColor::ButtonFace;
    m_ForeColor = SysColor::CaptionText;
    m_BarBackColor = SysColor::ActiveCaption;
    m_FontTransparent = true;
    m_BackStyle = 1;
    m_BorderStyle = 0;
    m_BarBorder = 1;
    setEnabled(true);
    m_Range = Range{};
    SetDisplayStyle(0);
    LayoutPass();
}

void ucPBar::ReadProperties(const PropertyBag& bag) {
    m_BackColor = bag.ReadProperty(u"BackColor"_s, SysColor::ButtonFace);
    m_ForeColor = bag.ReadProperty(u"ForeColor"_s, SysColor::CaptionText);
    setEnabled(bag.ReadProperty(u"Enabled"_s, true));
    const QFont ambient = AmbientFont();
    const QFont loaded = bag.ReadProperty(u"Font"_s, ambient);
    // The ambient font is inherited rather than copied, so that it follows the host.
    setFont(loaded == ambient ? QFont() : loaded);
    m_BackStyle = CheckedStyle(bag.ReadProperty(u"BackStyle"_s, qint32(1)), u"BackStyle"_s);
    m_BorderStyle = CheckedStyle(bag.ReadProperty(u"BorderStyle"_s, qint32(0)), u"BorderStyle"_s);
    m_Text = bag.ReadProperty(u"Caption"_s, DefaultCaption);
    QFont f = font();
    f.setItalic(bag.ReadProperty(u"FontItalic"_s, false));
    f.setBold(bag.ReadProperty(u"FontBold"_s, false));
    f.setStrikeOut(bag.ReadProperty(u"FontStrikethru"_s, false));
    m_FontTransparent = bag.ReadProperty(u"FontTransparent"_s, true);
    f.setUnderline(bag.ReadProperty(u"FontUnderline"_s, false));
    if (f != font()) setFont(f);
    m_Range.Min = bag.ReadProperty(u"Min"_s, qint32(0));
    m_BarBackColor = bag.ReadProperty(u"BarBackColor"_s, SysColor::ActiveCaption);
    m_BarBorder = CheckedStyle(bag.ReadProperty(u"BarBorder"_s, qint32(1)), u"BarBorder"_s);
    m_Range.Max = bag.ReadProperty(u"Max"_s, qint32(100));
    m_Range.Value = bag.ReadProperty(u"Value"_s, qint32(0));
    m_Range.DisplayStyle = bag.ReadProperty(u"DisplayStyle"_s, qint32(0));
    LayoutPass();
}

void ucPBar::WriteProperties(PropertyBag& bag) const {
    const QFont f = font();
    bag.WriteProperty(u"BackColor"_s, m_BackColor, SysColor::ButtonFace);
    bag.WriteProperty(u"ForeColor"_s, m_ForeColor, SysColor::CaptionText);
    bag.WriteProperty(u"Enabled"_s, isEnabled(), true);
    bag.WriteProperty(u"Font"_s, f, AmbientFont());
    bag.WriteProperty(u"BackStyle"_s, m_BackStyle, qint32(1));
    bag.WriteProperty(u"BorderStyle"_s, m_BorderStyle, qint32(0));
    bag.WriteProperty(u"Caption"_s, m_Text, DefaultCaption);
    bag.WriteProperty(u"FontItalic"_s, f.italic(), false);
    bag.WriteProperty(u"FontBold"_s, f.bold(), false);
    bag.WriteProperty(u"FontName"_s, f.family(), QString());
    bag.WriteProperty(u"FontSize"_s, float(f.pointSizeF()), 0.0f);
    bag.WriteProperty(u"FontStrikethru"_s, f.strikeOut(), false);
    bag.WriteProperty(u"FontTransparent"_s, m_FontTransparent, true);
    bag.WriteProperty(u"FontUnderline"_s, f.underline(), false);
    bag.WriteProperty(u"Min"_s, m_Range.Min, qint32(0));
    bag.WriteProperty(u"BarBackColor"_s, m_BarBackColor, SysColor::ActiveCaption);
    bag.WriteProperty(u"BarBorder"_s, m_BarBorder, qint32(1));
    bag.WriteProperty(u"Max"_s, m_Range.Max, qint32(100));
    bag.WriteProperty(u"Value"_s, m_Range.Value, qint32(0));
    bag.WriteProperty(u"DisplayStyle"_s, m_Range.DisplayStyle, qint32(0));
}

void ucPBar::SetColor(OleColor& field, OleColor value, const QString& name) {
    field = value;
    emit PropertyChanged(name);
    update();
}

void ucPBar::SetBackColor(OleColor c) { SetColor(m_BackColor, c, u"BackColor"_s); }
void ucPBar::SetForeColor(OleColor c) { SetColor(m_ForeColor, c, u"ForeColor"_s); }
void ucPBar::SetBarBackColor(OleColor c) { SetColor(m_BarBackColor, c, u"BarBackColor"_s); }

void ucPBar::SetEnabled(bool enabled) {
    setEnabled(enabled);
    emit PropertyChanged(u"Enabled"_s);
}

void ucPBar::SetFont(const QFont& f) {
    setFont(f);
    emit PropertyChanged(u"Font"_s);
    update();
}

void ucPBar::SetFontFlag(void (QFont::*setter)(bool), bool on, const QString& name) {
    QFont f = font();
    (f.*setter)(on);
    setFont(f);
    emit PropertyChanged(name);
    update();
}

void ucPBar::SetFontBold(bool on) { SetFontFlag(&QFont::setBold, on, u"FontBold"_s); }
void ucPBar::SetFontItalic(bool on) { SetFontFlag(&QFont::setItalic, on, u"FontItalic"_s); }
void ucPBar::SetFontStrikethru(bool on) {
    SetFontFlag(&QFont::setStrikeOut, on, u"FontStrikethru"_s);
}
void ucPBar::SetFontUnderline(bool on) {
    SetFontFlag(&QFont::setUnderline, on, u"FontUnderline"_s);
}

void ucPBar::SetFontTransparent(bool on) {
    m_FontTransparent = on;
    emit PropertyChanged(u"FontTransparent"_s);
}

void ucPBar::SetLayerStyle(qint32& field, qint32 value, const QString& name) {
    field = CheckedStyle(value, name);
    emit PropertyChanged(name);
    update();
}

void ucPBar::SetBackStyle(qint32 s) { SetLayerStyle(m_BackStyle, s, u"BackStyle"_s); }
void ucPBar::SetBorderStyle(qint32 s) { SetLayerStyle(m_BorderStyle, s, u"BorderStyle"_s); }
void ucPBar::SetBarBorder(qint32 b) { SetLayerStyle(m_BarBorder, b, u"BarBorder"_s); }

void ucPBar::SetCaption(const QString& caption) {
    ChangeText(caption);
    emit PropertyChanged(u"Caption"_s);
    ShowChange(true);
}

void ucPBar::SetRangeField(qint32 Range::*field, qint32 value, const QString& name) {
    m_Range.*field = value;
    emit PropertyChanged(name);
    UpdateBar();
}

void ucPBar::SetMin(qint32 min) { SetRangeField(&Range::Min, min, u"Min"_s); }
void ucPBar::SetMax(qint32 max) { SetRangeField(&Range::Max, max, u"Max"_s); }
void ucPBar::SetDisplayStyle(qint32 s) {
    SetRangeField(&Range::DisplayStyle, s, u"DisplayStyle"_s);
}
void ucPBar::SetValue(qint32 value) {
    SetRangeField(&Range::Value, PBarLogic::ClampValue(value, m_Range.Min, m_Range.Max),
                  u"Value"_s);
}

bool ucPBar::ChangeText(const QString& text) {
    // Only a real change is news to the host; a loop re-setting the same text stays quiet.
    // Says whether it changed.
    if (text == m_Text) return false;
    m_Text = text;
    emit ValChanged();
    return true;
}

void ucPBar::UpdateBar() {
    const auto next = PBarLogic::UpdateBar(m_Range, Twips::FromPixels(width()), &m_Texts);
    if (!next) return;
    m_UnitWidth = next->UnitWidth;
    m_BarWidth = next->BarWidth;
    const bool textChanged = next->Text && ChangeText(*next->Text);
    // Past the right edge the bar is clipped, so growing further there shows nothing new.
    // The pass sets the value once a line: the pixel ratio is the one of the last paint or
    // resize, as a move to another screen repaints the bar anyway.
    const int pixels = std::min(Twips::ToDevicePixels(m_BarWidth, m_Dpr), int(width() * m_Dpr) + 1);
    if (pixels != m_ShownBarPixels || textChanged) {
        m_ShownBarPixels = pixels;
        ShowChange(false);
    }
}

void ucPBar::ShowChange(bool now) {
    if (!isVisible()) return; // showing paints the latest state anyway
    if (now || !m_SinceRepaint.isValid() || m_SinceRepaint.elapsed() >= RepaintInterval) {
        repaint();
        m_SinceRepaint.start();
    } else {
        update(); // the event loop shows the last state once the loop yields
    }
}

void ucPBar::LayoutPass() {
    // The text is centred when painted, so it stays centred whatever its length.
    UpdateBar();
    emit Resize();
}

void ucPBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const qreal dpr = m_Dpr = devicePixelRatioF();
    const QColor line = ResolveColor(SysColor::WindowText, pal);
    if (m_BackStyle == 1) p.fillRect(rect(), ResolveColor(m_BackColor, pal));
    if (m_BorderStyle == 1) PaintOps::DrawFrame(p, rect(), line);

    QRectF bar =
        Twips::ToSnappedPixels(PBarLogic::BarRect(m_BarWidth, Twips::FromPixels(height())), dpr);
    // An overrunning bar keeps its right outline out of sight, past the clipped edge.
    bar.setRight(std::min(bar.right(), width() + 2.0));
    if (bar.width() > 0 && bar.height() > 0) {
        p.fillRect(bar, ResolveColor(m_BarBackColor, pal));
        if (m_BarBorder == 1) PaintOps::DrawFrame(p, bar, line);
    }

    p.setFont(font());
    const QSizeF box = PaintOps::TextSize(font(), m_Text);
    const QPointF at((width() - box.width()) / 2, (height() - box.height()) / 2);
    PaintOps::DrawTextAt(p, at, m_Text, ResolveColor(m_ForeColor, pal));
}

void ucPBar::resizeEvent(QResizeEvent*) {
    m_Dpr = devicePixelRatioF();
    LayoutPass();
}

void ucPBar::mousePressEvent(QMouseEvent* e) {
    m_Click.Press(e->button());
    const auto a = InputCodes::MouseArgsOf(*e);
    emit MouseDown(a.Button, a.Shift, a.X, a.Y);
}

void ucPBar::mouseMoveEvent(QMouseEvent* e) {
    const auto a = InputCodes::MouseArgsOf(*e);
    emit MouseMove(a.Button, a.Shift, a.X, a.Y);
}

void ucPBar::mouseReleaseEvent(QMouseEvent* e) {
    const auto a = InputCodes::MouseArgsOf(*e);
    emit MouseUp(a.Button, a.Shift, a.X, a.Y);
    if (m_Click.Release(e->button(), rect().contains(e->position().toPoint()))) emit Click();
}

void ucPBar::mouseDoubleClickEvent(QMouseEvent*) {
    m_Click.DoubleClick();
    emit DblClick();
}

void ucPBar::keyPressEvent(QKeyEvent* e) {
    emit KeyDown(InputCodes::KeyCode(*e), InputCodes::ShiftCode(e->modifiers()));
    if (const qint16 ascii = InputCodes::KeyAscii(*e)) emit KeyPress(ascii);
}

void ucPBar::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat()) return;
    emit KeyUp(InputCodes::KeyCode(*e), InputCodes::ShiftCode(e->modifiers()));
}
