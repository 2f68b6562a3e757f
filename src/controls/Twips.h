#pragma once

#include <QPointF>
#include <QRectF>

// Every length the controls take or give is in twips (1/1440 inch). Qt's logical pixel is the
// 96-dpi pixel on every screen, so 15 twips make one logical pixel whatever the scale; the
// device pixel ratio only matters when an edge has to land on a physical pixel.
namespace Twips {

inline constexpr double PerPixel = 15.0;

constexpr double ToPixels(double twips) { return twips / PerPixel; }
constexpr double FromPixels(double pixels) { return pixels * PerPixel; }
inline QPointF FromPixels(QPointF p) { return {FromPixels(p.x()), FromPixels(p.y())}; }

// Logical pixels of a twip length, moved onto the nearest physical pixel so that fills and
// one-pixel lines stay sharp on high-DPI screens.
double ToSnappedPixels(double twips, qreal devicePixelRatio);
QRectF ToSnappedPixels(const QRectF& twips, qreal devicePixelRatio);

// A twip length as a whole number of physical pixels; what the eye can tell apart.
int ToDevicePixels(double twips, qreal devicePixelRatio);

} // namespace Twips
