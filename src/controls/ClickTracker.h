#pragma once

#include <QtCore/qnamespace.h>

// Tells a click from other presses and releases: the left button pressed and released over
// the control. The release that ends a double click is no click.
class ClickTracker {
public:
    void Press(Qt::MouseButton button) { m_Pressed = button; }
    void DoubleClick() { m_Pressed = Qt::NoButton; }
    bool Release(Qt::MouseButton button, bool inside) {
        const bool click = inside && button == Qt::LeftButton && m_Pressed == Qt::LeftButton;
        m_Pressed = Qt::NoButton;
        return click;
    }

private:
    Qt::MouseButton m_Pressed = Qt::NoButton;
};
