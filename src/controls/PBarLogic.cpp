#include "controls/PBarLogic.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace PBarLogic {

qint32 ClampValue(qint32 value, qint32 min, qint32 max) {
    if (value > max) value = max;
    if (value < min) value = min;
    return value;
}

QString FormatWhole(double number) {
    // llround rounds halves away from zero, and a whole number has no negative zero.
    return QString::number(std::llround(number));
}

QString FormatWholeOrEmpty(double number) {
    const long long rounded = std::llround(number);
    return rounded == 0 ? QString() : QString::number(rounded);
}

namespace {

// Only called with Max > 0, which the range test guarantees.
std::optional<QString> StyleText(const Range& r) {
    switch (r.DisplayStyle) {
    case 0:
        return FormatWhole(100.0 / r.Max * r.Value) + u" %"_s;
    case 1:
        return QString::number(r.Value);
    case 2:
        return FormatWholeOrEmpty(r.Value / 1024.0) + u" Kb"_s;
    case 3:
        return FormatWholeOrEmpty(r.Value / 1048576.0) + u" Mb"_s;
    case 4:
        return QString::number(r.Value) + u" of "_s + QString::number(r.Max);
    default:
        return std::nullopt;
    }
}

} // namespace

const std::optional<QString>& TextCache::Text(const Range& r) {
    // Each style's text is made of one rounded number (two for "Value of Max").
    qint64 shown = 0;
    switch (r.DisplayStyle) {
    case 0:
        shown = std::llround(100.0 / r.Max * r.Value);
        break;
    case 2:
        shown = std::llround(r.Value / 1024.0);
        break;
    case 3:
        shown = std::llround(r.Value / 1048576.0);
        break;
    default:
        shown = r.Value;
        break;
    }
    const qint32 max = r.DisplayStyle == 4 ? r.Max : 0;
    if (!m_Valid || m_Style != r.DisplayStyle || m_Shown != shown || m_Max != max) {
        m_Text = StyleText(r);
        m_Valid = true;
        m_Style = r.DisplayStyle;
        m_Shown = shown;
        m_Max = max;
    }
    return m_Text;
}

std::optional<Update> UpdateBar(const Range& r, double width, TextCache* texts) {
    if (!(r.Max > 0 && r.Max >= r.Min)) return std::nullopt;
    Update u;
    u.UnitWidth = float(std::abs((width - Margin) / r.Max));
    u.BarWidth = float(std::abs(double(u.UnitWidth) * r.Value));
    u.Text = texts ? texts->Text(r) : StyleText(r);
    return u;
}

QRectF BarRect(float barWidth, double height) {
    return QRectF(Inset, Inset, barWidth, height - Margin);
}

} // namespace PBarLogic
