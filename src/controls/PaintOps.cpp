#include "controls/PaintOps.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPainter>

namespace PaintOps {

void DrawFrame(QPainter& p, const QRectF& r, const QColor& color) {
    if (r.width() <= 0 || r.height() <= 0) return;
    p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), color);
    p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), color);
    p.fillRect(QRectF(r.left(), r.top(), 1, r.height()), color);
    p.fillRect(QRectF(r.right() - 1, r.top(), 1, r.height()), color);
}

void DrawBevelEdges(QPainter& p, const QRectF& r, const QColor& color) {
    p.fillRect(QRectF(r.left(), r.top(), r.width() - 1, 1), color);
    p.fillRect(QRectF(r.left(), r.top(), 1, r.height() - 1), color);
}

void DrawTextAt(QPainter& p, QPointF topLeft, const QString& text, const QColor& color) {
    const QFontMetricsF metrics(p.font());
    p.setPen(color);
    p.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), text);
}

QSizeF TextSize(const QFont& font, const QString& text) {
    const QFontMetricsF metrics(font);
    return {metrics.horizontalAdvance(text), metrics.height()};
}

} // namespace PaintOps
