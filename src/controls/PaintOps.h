#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QColor;
class QFont;
class QPainter;

// The few drawing operations both controls are made of. Lines are filled rectangles one
// logical pixel thick, so they stay solid and sharp at any device pixel ratio.
namespace PaintOps {

// A one-pixel frame on the outermost pixels of `rect`.
void DrawFrame(QPainter& painter, const QRectF& rect, const QColor& color);

// The top and left edges of a bevel over its frame; each stops one pixel short of the far
// corner, as a line drawn to an end point leaves the end point out.
void DrawBevelEdges(QPainter& painter, const QRectF& rect, const QColor& color);

// One line of text, its box's top-left corner at `topLeft` (logical pixels, not rounded).
void DrawTextAt(QPainter& painter, QPointF topLeft, const QString& text, const QColor& color);

// The box one line of text takes in `font`, in logical pixels.
QSizeF TextSize(const QFont& font, const QString& text);

} // namespace PaintOps
