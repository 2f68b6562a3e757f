#pragma once

#include "controls/OleColor.h"

#include <QPointF>
#include <QSizeF>
#include <QtGlobal>

// The hover button's look decided without a widget: which colours, which bevel, where the
// caption stands and what happens to the pointer capture. Lengths are twips.
namespace HotLook {

enum class Bevel { None, Raised, Sunken };
enum class Capture { Keep, Take, Release };

struct Look {
    OleColor Face{};
    Bevel Edges = Bevel::None;
    OleColor Outline{}; // bevel: the one-pixel rectangle
    OleColor TopLeft{}; // bevel: drawn over the outline's top and left edges
    bool ShowCaption = false;
    QPointF CaptionPos; // top-left corner of the caption
    OleColor CaptionColor{};
    Capture PointerCapture = Capture::Keep;

    friend bool operator==(const Look&, const Look&) = default;
};

struct Face {
    QSizeF Size;        // the face, equal to the control
    QSizeF CaptionSize; // the caption measured in the face's font
    bool CaptionEmpty = false;
};

struct Colors {
    OleColor Fore{};
    OleColor ForeHi{};
    OleColor ForeDown{};
};

inline constexpr QPointF PressedShift{30, 15};

// A point on the right or bottom edge still counts as inside.
bool IsInside(QPointF point, QSizeF face);

// Exact halves: the caption may stand between two pixels.
QPointF CentredCaption(const Face& face);

// The look for a pointer at `point` with mouse buttons `button` (0 for none): resting on the
// resting colour outside, otherwise raised or, with any button, sunken on the active colour.
Look ButtonLook(QPointF point, qint16 button, OleColor resting, OleColor active,
                const Colors& colors, const Face& face);

// The resting look on the face's current colour; the capture is left alone.
Look NormalLook(OleColor currentFace, OleColor fore, bool enabled, const Face& face);

} // namespace HotLook
