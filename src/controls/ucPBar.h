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

    OleColor BackColor() const { return m_BackColor; }
    void SetBackColor(OleColor color);
    OleColor ForeColor() const { return m_ForeColor; }
    void SetForeColor(OleColor color);
    OleColor BarBackColor() const { return m_BarBackColor; }
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
    bool FontTransparent() const { return m_FontTransparent; }
    void SetFontTransparent(bool on);

    // 0 or 1 only; anything else raises QuillanError and keeps the old value.
    qint32 BackStyle() const { return m_BackStyle; }
    void SetBackStyle(qint32 style);
    qint32 BorderStyle() const { return m_BorderStyle; }
    void SetBorderStyle(qint32 style);
    qint32 BarBorder() const { return m_BarBorder; }
    void SetBarBorder(qint32 border);

    // The text shown now, whichever of the Caption setter or the last update wrote it.
    QString Caption() const { return m_Text; }
    void SetCaption(const QString& caption);

    qint32 Min() const { return m_Range.Min; }
    void SetMin(qint32 min);
    qint32 Max() const { return m_Range.Max; }
    void SetMax(qint32 max);
    qint32 Value() const { return m_Range.Value; }
    void SetValue(qint32 value);
    qint32 DisplayStyle() const { return m_Range.DisplayStyle; }
    void SetDisplayStyle(qint32 style);

    void Refresh() { repaint(); }

    // Runs after every size change; public so the host can lay out a hidden control.
    void LayoutPass();
    void UpdateBar();

    // The bar element's width in twips as the last update left it.
    float BarWidth() const { return m_BarWidth; }
    float UnitWidth() const { return m_UnitWidth; }

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
    bool ChangeText(const QString& text);
    void SetRangeField(qint32 PBarLogic::Range::*field, qint32 value, const QString& name);
    void SetLayerStyle(qint32& field, qint32 value, const QString& name);
    void SetColor(OleColor& field, OleColor value, const QString& name);
    void SetFontFlag(void (QFont::*setter)(bool), bool on, const QString& name);
    void ShowChange(bool now);
    QFont AmbientFont() const;

    OleColor m_BackColor = SysColor::ButtonFace;
    OleColor m_ForeColor = SysColor::CaptionText;
    OleColor m_BarBackColor = SysColor::ActiveCaption;
    bool m_FontTransparent = true;
    qint32 m_BackStyle = 1;
    qint32 m_BorderStyle = 0;
    qint32 m_BarBorder = 1;

    PBarLogic::Range m_Range;
    PBarLogic::TextCache m_Texts;
    float m_UnitWidth = 0;
    float m_BarWidth = 0;
    QString m_Text;

    int m_ShownBarPixels = 0;
    qreal m_Dpr = 1; // at the last paint or resize
    QElapsedTimer m_SinceRepaint;
    ClickTracker m_Click;
};
