#pragma once

#include "controls/ClickTracker.h"
#include "controls/OleColor.h"
#include "controls/PBarLogic.h"

#include <QElapsedTimer>
#include <QWidget>

class PropertyBag;

// The progress bar: a background, a bar whose length follows Value, and one line of text over
// it chosen by DisplayStyle. Lengths and pointer coordinates are twips. The host either calls
// InitProperties or ReadProperties once after construction, then places the control.
//
// The window's long loops set Value without yielding to the event loop, so the control paints
// itself at once whenever what it shows changes, at most once per RepaintInterval.
class ucPBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int RepaintInterval = 20; // milliseconds
    static constexpr QSize DefaultTwips{4755, 345};

    explicit ucPBar(QWidget* parent = nullptr);

    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    OleColor BackColor() const { return backColor_; }
    void SetBackColor(OleColor color);
    OleColor ForeColor() const { return foreColor_; }
    void SetForeColor(OleColor color);
    OleColor BarBackColor() const { return barBackColor_; }
    void SetBarBackColor(OleColor color);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled);

    QFont Font() const { return font(); }
    void SetFont(const QFont& font);
    bool FontBold() const { return font().bold(); }
    void SetFontBold(bool on);
    bool FontItalic() const { return font().italic(); }
    void SetFontItalic(bool on);
    bool FontStrikethru() const { return font().strikeOut(); }
    void SetFontStrikethru(bool on);
    bool FontUnderline() const { return font().underline(); }
    void SetFontUnderline(bool on);
    bool FontTransparent() const { return fontTransparent_; }
    void SetFontTransparent(bool on);

    // 0 or 1 only; anything else raises QuillanError and keeps the old value.
    qint32 BackStyle() const { return backStyle_; }
    void SetBackStyle(qint32 style);
    qint32 BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(qint32 style);
    qint32 BarBorder() const { return barBorder_; }
    void SetBarBorder(qint32 border);

    // The text shown now, whichever of the Caption setter or the last update wrote it.
    QString Caption() const { return text_; }
    void SetCaption(const QString& caption);

    qint32 Min() const { return range_.Min; }
    void SetMin(qint32 min);
    qint32 Max() const { return range_.Max; }
    void SetMax(qint32 max);
    qint32 Value() const { return range_.Value; }
    void SetValue(qint32 value);
    qint32 DisplayStyle() const { return range_.DisplayStyle; }
    void SetDisplayStyle(qint32 style);

    void Refresh() { repaint(); }

    // Runs after every size change; public so the host can lay out a hidden control.
    void LayoutPass();
    void UpdateBar();

    // The bar element's width in twips as the last update left it.
    float BarWidth() const { return barWidth_; }
    float UnitWidth() const { return unitWidth_; }

signals:
    void ValChanged();
    void Click();
    void DblClick();
    void KeyDown(qint16 KeyCode, qint16 Shift);
    void KeyPress(qint16 KeyAscii);
    void KeyUp(qint16 KeyCode, qint16 Shift);
    void MouseDown(qint16 Button, qint16 Shift, float X, float Y);
    void MouseMove(qint16 Button, qint16 Shift, float X, float Y);
    void MouseUp(qint16 Button, qint16 Shift, float X, float Y);
    void Resize();
    // The host's stored copy of the named property is out of date.
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void SetText(const QString& text);
    void SetRangeField(qint32 PBarLogic::Range::*field, qint32 value, const QString& name);
    void SetLayerStyle(qint32& field, qint32 value, const QString& name);
    void SetColor(OleColor& field, OleColor value, const QString& name);
    void SetFontFlag(void (QFont::*setter)(bool), bool on, const QString& name);
    void ShowChange(bool now);
    QFont AmbientFont() const;

    OleColor backColor_ = SysColor::ButtonFace;
    OleColor foreColor_ = SysColor::CaptionText;
    OleColor barBackColor_ = SysColor::ActiveCaption;
    bool fontTransparent_ = true;
    qint32 backStyle_ = 1;
    qint32 borderStyle_ = 0;
    qint32 barBorder_ = 1;

    PBarLogic::Range range_;
    float unitWidth_ = 0;
    float barWidth_ = 0;
    QString text_;

    int shownBarPixels_ = 0;
    QElapsedTimer sinceRepaint_;
    ClickTracker click_;
};
