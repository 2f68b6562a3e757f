#pragma once

#include <QtCore/qnamespace.h>

class QKeyEvent;
class QMouseEvent;

// The argument codes the controls' key and mouse events carry, in the form the window's
// procedures were written against: Windows virtual-key numbers, ANSI characters and small
// bit sets for buttons and modifier keys.
namespace InputCodes {

enum Button : qint16 { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
enum Shift : qint16 { ShiftMask = 1, CtrlMask = 2, AltMask = 4 };

qint16 ButtonCode(Qt::MouseButtons buttons);
qint16 ShiftCode(Qt::KeyboardModifiers modifiers);
qint16 KeyCode(const QKeyEvent& event);
// The character the key types, or 0 when it types none (or more than one).
qint16 KeyAscii(const QKeyEvent& event);

struct MouseArgs {
    qint16 Button; // a press or release: the button that changed; a move: all buttons held
    qint16 Shift;
    float X; // twips from the receiving widget's left edge
    float Y;
};
MouseArgs MouseArgsOf(const QMouseEvent& event);

} // namespace InputCodes
