#pragma once

#include <QRectF>
#include <QString>
#include <QtGlobal>

#include <optional>

// What the progress bar shows, decided on numbers alone: the range test, the bar's length and
// the text of each display style. Lengths are twips.
namespace PBarLogic {

inline constexpr double Inset = 15;  // the bar's distance from each edge
inline constexpr double Margin = 30; // both insets together

struct Range {
    qint32 Min = 0;
    qint32 Max = 100;
    qint32 Value = 0;
    qint32 DisplayStyle = 0;
};

struct Update {
    float UnitWidth = 0;
    float BarWidth = 0;          // may exceed the track; the control's edge clips it
    std::optional<QString> Text; // none: the style leaves the text alone
};

// The update for a control `width` twips wide, or none when the range refuses one
// (Max <= 0 or Max < Min): then bar and text keep what they show.
std::optional<Update> UpdateBar(const Range& range, double width);

// Setting Value clamps to Max first and then to Min, so Min wins when Min > Max.
qint32 ClampValue(qint32 value, qint32 min, qint32 max);

// "##0" and "####": rounded halves away from zero, no separators; "####" shows nothing for 0.
QString FormatWhole(double number);
QString FormatWholeOrEmpty(double number);

// The bar element's rectangle in a control `height` twips high.
QRectF BarRect(float barWidth, double height);

} // namespace PBarLogic
