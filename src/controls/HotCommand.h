#pragma once

#include "controls/ClickTracker.h"
#include "controls/HotLook.h"
#include "controls/OleColor.h"

#include <QImage>
#include <QWidget>

class PropertyBag;
class QPushButton;

// The window's command button. It draws its own face: flat at rest, raised while the pointer
// is over it, sunken while a mouse button is held over it. It notices the pointer leaving by
// holding the pointer capture while the pointer is over the face. Lengths and pointer
// coordinates are twips. The host either calls InitProperties or ReadProperties once after
// construction, then places the control.
class HotCommand : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize DefaultTwips{4800, 1620};

    explicit HotCommand(QWidget* parent = nullptr);

    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Also the resting colour: the face returns to it whenever the pointer leaves.
    OleColor BackColor() const { return m_RestingColor; }
    void SetBackColor(OleColor color);
    OleColor ForeColor() const { return m_ForeColor; }
    void SetForeColor(OleColor color);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled);
    QFont Font() const { return font(); }
    void SetFont(const QFont& font);
    // Docking of the face: 0 none, 1 top, 2 bottom, 3 left, 4 right. Kept and stored; the
    // face fills the control in every case.
    qint16 Align() const { return m_Align; }
    void SetAlign(qint16 align);
    QString Caption() const;
    void SetCaption(const QString& caption);
    QString ToolTipText() const;
    void SetToolTipText(const QString& text);
    // Drawn at its own size from the face's top-left corner; a null image is no picture.
    QImage Picture() const { return m_Picture; }
    void SetPicture(const QImage& picture);

    // The hot and pressed colours take effect at the next pointer move.
    OleColor BackColorHi() const { return m_BackColorHi; }
    void SetBackColorHi(OleColor color);
    OleColor ForeColorHi() const { return m_ForeColorHi; }
    void SetForeColorHi(OleColor color);
    OleColor BackColorDown() const { return m_BackColorDown; }
    void SetBackColorDown(OleColor color);
    OleColor ForeColorDown() const { return m_ForeColorDown; }
    void SetForeColorDown(OleColor color);

    void Refresh();

    // The look of a pointer at `point` (twips, relative to the face) with mouse buttons
    // `button`; takes or releases the pointer capture to match.
    void DrawButton(QPointF point, qint16 button, OleColor resting, OleColor active);
    // The resting look on the face's current colour, leaving the capture alone.
    void DrawNormal();
    void LayoutPass();

    QWidget* picButton() const { return m_PicButton; }
    QPushButton* cmdMapped() const { return m_CmdMapped; }
    const HotLook::Look& ShownLook() const { return m_Look; }
    bool HasCapture() const;

signals:
    void Click();
    void DblClick();
    void KeyDown(qint16 KeyCode, qint16 Shift);
    void KeyPress(qint16 KeyAscii);
    void KeyUp(qint16 KeyCode, qint16 Shift);
    void MouseDown(qint16 Button, qint16 Shift, float X, float Y);
    void MouseMove(qint16 Button, qint16 Shift, float X, float Y);
    void MouseUp(qint16 Button, qint16 Shift, float X, float Y);
    // The host's stored copy of the named property is out of date.
    void PropertyChanged(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont AmbientFont() const;
    HotLook::Face FaceNow() const;
    void Show(const HotLook::Look& look);
    void PaintFace();
    void ClickFromFace();
    void ApplyEnabledLook();
    bool FaceEvent(QEvent* event);
    bool ProxyEvent(QEvent* event);
    void SetField(OleColor& field, OleColor value, const QString& name);

    QWidget* m_PicButton;
    QPushButton* m_CmdMapped;

    OleColor m_RestingColor = SysColor::AppWorkspace;
    OleColor m_FaceColor = SysColor::AppWorkspace; // differs from resting while hot or pressed
    OleColor m_ForeColor = SysColor::WindowText;
    OleColor m_BackColorHi = SysColor::ButtonFace;
    OleColor m_ForeColorHi = SysColor::ButtonText;
    OleColor m_BackColorDown = SysColor::ButtonFace;
    OleColor m_ForeColorDown = SysColor::ButtonText;
    qint16 m_Align = 0;
    bool m_Cancel = false;
    QImage m_Picture;

    HotLook::Look m_Look;
    ClickTracker m_Click;
};
