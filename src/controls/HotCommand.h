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
    OleColor BackColor() const { return restingColor_; }
    void SetBackColor(OleColor color);
    OleColor ForeColor() const { return foreColor_; }
    void SetForeColor(OleColor color);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled);
    QFont Font() const { return font(); }
    void SetFont(const QFont& font);
    // Docking of the face: 0 none, 1 top, 2 bottom, 3 left, 4 right. Kept and stored; the
    // face fills the control in every case.
    qint16 Align() const { return align_; }
    void SetAlign(qint16 align);
    QString Caption() const;
    void SetCaption(const QString& caption);
    QString ToolTipText() const;
    void SetToolTipText(const QString& text);
    // Drawn at its own size from the face's top-left corner; a null image is no picture.
    QImage Picture() const { return picture_; }
    void SetPicture(const QImage& picture);

    // The hot and pressed colours take effect at the next pointer move.
    OleColor BackColorHi() const { return backColorHi_; }
    void SetBackColorHi(OleColor color);
    OleColor ForeColorHi() const { return foreColorHi_; }
    void SetForeColorHi(OleColor color);
    OleColor BackColorDown() const { return backColorDown_; }
    void SetBackColorDown(OleColor color);
    OleColor ForeColorDown() const { return foreColorDown_; }
    void SetForeColorDown(OleColor color);

    void Refresh();

    // The look of a pointer at `point` (twips, relative to the face) with mouse buttons
    // `button`; takes or releases the pointer capture to match.
    void DrawButton(QPointF point, qint16 button, OleColor resting, OleColor active);
    // The resting look on the face's current colour, leaving the capture alone.
    void DrawNormal();
    void LayoutPass();

    QWidget* picButton() const { return picButton_; }
    QPushButton* cmdMapped() const { return cmdMapped_; }
    const HotLook::Look& ShownLook() const { return look_; }
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

    QWidget* picButton_;
    QPushButton* cmdMapped_;

    OleColor restingColor_ = SysColor::AppWorkspace;
    OleColor faceColor_ = SysColor::AppWorkspace; // differs from resting while hot or pressed
    OleColor foreColor_ = SysColor::WindowText;
    OleColor backColorHi_ = SysColor::ButtonFace;
    OleColor foreColorHi_ = SysColor::ButtonText;
    OleColor backColorDown_ = SysColor::ButtonFace;
    OleColor foreColorDown_ = SysColor::ButtonText;
    qint16 align_ = 0;
    bool cancel_ = false;
    QImage picture_;

    HotLook::Look look_;
    ClickTracker click_;
};
