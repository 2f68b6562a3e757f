#include "controls/InputCodes.h"

#include "controls/Twips.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace InputCodes {

qint16 ButtonCode(Qt::MouseButtons buttons) {
    qint16 code = 0;
    if (buttons & Qt::LeftButton) code |= LeftButton;
    if (buttons & Qt::RightButton) code |= RightButton;
    if (buttons & Qt::MiddleButton) code |= MiddleButton;
    return code;
}

qint16 ShiftCode(Qt::KeyboardModifiers modifiers) {
    qint16 code = 0;
    if (modifiers & Qt::ShiftModifier) code |= ShiftMask;
    if (modifiers & Qt::ControlModifier) code |= CtrlMask;
    if (modifiers & Qt::AltModifier) code |= AltMask;
    return code;
}

qint16 KeyCode(const QKeyEvent& event) {
    const int key = event.key();
    // Letters, digits and space share their numbers with the virtual keys.
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) ||
        key == Qt::Key_Space)
        return qint16(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return qint16(0x70 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Pause:
        return 0x13;
    case Qt::Key_CapsLock:
        return 0x14;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        return 0;
    }
}

qint16 KeyAscii(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.size() != 1) return 0;
    const char16_t c = text.front().unicode();
    return c <= 0x7FFF ? qint16(c) : qint16(0);
}

MouseArgs MouseArgsOf(const QMouseEvent& e) {
    const Qt::MouseButtons buttons = e.type() == QEvent::MouseMove ? e.buttons() : e.button();
    const QPointF t = Twips::FromPixels(e.position());
    return {ButtonCode(buttons), ShiftCode(e.modifiers()), float(t.x()), float(t.y())};
}

} // namespace InputCodes
