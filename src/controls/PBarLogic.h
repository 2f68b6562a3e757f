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

// The text of a range's display style, made again only when what it shows changes: a loop
// that sets the value once a step mostly shows the same percentage step after step.
class TextCache {
public:
    // Only for a range UpdateBar accepts (Max > 0).
    const std::optional<QString>& Text(const Range& range);

private:
    bool m_Valid = false;
    qint32 m_Style = 0;
    qint64 m_Shown = 0; // the number the text is made of
    qint32 m_Max = 0;   // the second one, for "Value of Max"
    std::optional<QString> m_Text;
};

// The update for a control `width` twips wide, or none when the range refuses one
// (Max <= 0 or Max < Min): then bar and text keep what they show. A control that updates
// often hands in its cache of the text.
std::optional<Update> UpdateBar(const Range& range, double width, TextCache* texts = nullptr);

// Setting Value clamps to Max first and then to Min, so Min wins when Min > Max.
qint32 ClampValue(qint32 value, qint32 min, qint32 max);

// "##0" and "####": rounded halves away from zero, no separators; "####" shows nothing for 0.
QString FormatWhole(double number);
QString FormatWholeOrEmpty(double number);

// The bar element's rectangle in a control `height` twips high.
QRectF BarRect(float barWidth, double height);

} // namespace PBarLogic
