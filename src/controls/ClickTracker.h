#pragma once

#include <QtCore/qnamespace.h>

// Tells a click from other presses and releases: the left button pressed and released over
// the control. The release that ends a double click is no click.
class ClickTracker {
public:
    void Press(Qt::MouseButton button) { pressed_ = button; }
    void DoubleClick() { pressed_ = Qt::NoButton; }
    bool Release(Qt::MouseButton button, bool inside) {
        const bool click = inside && button == Qt::LeftButton && pressed_ == Qt::LeftButton;
        pressed_ = Qt::NoButton;
        return click;
    }

private:
    Qt::MouseButton pressed_ = Qt::NoButton;
};
