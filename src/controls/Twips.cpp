#include "controls/Twips.h"

#include <algorithm>
#include <cmath>

namespace Twips {

int ToDevicePixels(double twips, qreal devicePixelRatio) {
    // A bar may overrun its track by any factor; nothing beyond a billion pixels is visible.
    const double pixels = std::clamp(ToPixels(twips) * devicePixelRatio, -1e9, 1e9);
    return int(std::lround(pixels));
}

double ToSnappedPixels(double twips, qreal devicePixelRatio) {
    return ToDevicePixels(twips, devicePixelRatio) / devicePixelRatio;
}

QRectF ToSnappedPixels(const QRectF& twips, qreal devicePixelRatio) {
    const double left = ToSnappedPixels(twips.left(), devicePixelRatio);
    const double top = ToSnappedPixels(twips.top(), devicePixelRatio);
    // Snap both edges, not the size, so that neighbouring rectangles meet without a gap.
    return QRectF(QPointF(left, top), QPointF(ToSnappedPixels(twips.right(), devicePixelRatio),
                                              ToSnappedPixels(twips.bottom(), devicePixelRatio)));
}

} // namespace Twips
