#include "report/SvgCharts.h"

#include "report/HtmlText.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace SvgCharts {

namespace {

constexpr int Width = 760;
constexpr int Height = 250;
constexpr int Left = 64;
constexpr int Right = 750;
constexpr int Top = 12;
constexpr int Bottom = 212;
constexpr int MaxAxisLabels = 10;

QByteArray Num(double value) { return QByteArray::number(value, 'f', 1); }

void Open(QByteArray& out, const QString& title, const QString& description, int width,
          int height) {
    // The title names the chart for screen readers and the description tells its numbers.
    out += "<svg role=\"img\" viewBox=\"0 0 " + QByteArray::number(width) + ' ' +
           QByteArray::number(height) + "\" aria-label=\"";
    HtmlText::AppendEscaped(out, title);
    out += "\"><title>";
    HtmlText::AppendEscaped(out, title);
    out += "</title><desc>";
    HtmlText::AppendEscaped(out, description);
    out += "</desc>";
}

void Text(QByteArray& out, double x, double y, const char* anchor, QStringView text,
          const char* cls = nullptr) {
    out += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" text-anchor=\"" + anchor + '"';
    if (cls) out += QByteArray(" class=\"") + cls + '"';
    out += '>';
    HtmlText::AppendEscaped(out, text);
    out += "</text>";
}

void Tooltip(QByteArray& out, const QString& text) {
    out += "<title>";
    HtmlText::AppendEscaped(out, text);
    out += "</title>";
}

// The value axis with its grid, and the period labels under the plot.
void Axes(QByteArray& out, qint64 top, qint64 step, const QStringList& periods,
          const NumberText& number) {
    for (qint64 v = 0; v <= top; v += step) {
        const double y = Bottom - double(v) / double(top) * (Bottom - Top);
        out += "<line class=\"" + QByteArray(v == 0 ? "axis" : "grid") + "\" x1=\"" +
               QByteArray::number(Left) + "\" x2=\"" + QByteArray::number(Right) + "\" y1=\"" +
               Num(y) + "\" y2=\"" + Num(y) + "\"/>";
        Text(out, Left - 6, y + 4, "end", number(v));
    }
    const qsizetype n = periods.size();
    const double slot = double(Right - Left) / double(n);
    const qsizetype every = std::max<qsizetype>(1, (n + MaxAxisLabels - 1) / MaxAxisLabels);
    for (qsizetype i = 0; i < n; i += every)
        Text(out, Left + slot * (double(i) + 0.5), Bottom + 18, "middle", periods[i]);
}

qint64 Largest(const std::vector<Series>& series, bool stacked, qsizetype n) {
    qint64 largest = 0;
    for (qsizetype i = 0; i < n; ++i) {
        qint64 sum = 0;
        for (const Series& s : series) {
            const qint64 v = s.Values[size_t(i)];
            sum = stacked ? sum + v : std::max(sum, v);
        }
        largest = std::max(largest, sum);
    }
    return largest;
}

QString PointText(const QString& period, const std::vector<Series>& series, qsizetype i,
                  const NumberText& number) {
    QString text = period + u": "_s;
    for (size_t s = 0; s < series.size(); ++s) {
        if (s > 0) text += u", "_s;
        text += number(series[s].Values[size_t(i)]) + u' ' + series[s].Name;
    }
    return text;
}

struct Plot {
    qint64 Top;  // the value at the top of the axis
    double Slot; // the width each period takes
};

// The frame every period chart shares: the element, its title, the axes.
Plot BeginPlot(QByteArray& out, const QString& title, const QString& description,
               const QStringList& periods, const std::vector<Series>& series, bool stacked,
               const NumberText& number);

} // namespace

std::pair<qint64, qint64> NiceScale(qint64 largest, int steps) {
    if (largest <= 0) return {steps, 1};
    const double raw = double(largest) / steps;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    qint64 step = 1;
    for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        const double candidate = m * power;
        // Whole numbers only: an axis of kilobytes or downloads has no halves.
        if (candidate < 1 || candidate != std::floor(candidate)) continue;
        step = qint64(candidate);
        if (double(step) * steps >= double(largest)) break;
    }
    while (step * steps < largest)
        step *= 2;
    return {step * steps, step};
}

namespace {

Plot BeginPlot(QByteArray& out, const QString& title, const QString& description,
               const QStringList& periods, const std::vector<Series>& series, bool stacked,
               const NumberText& number) {
    const auto [top, step] = NiceScale(Largest(series, stacked, periods.size()));
    Open(out, title, description, Width, Height);
    Axes(out, top, step, periods, number);
    return {top, double(Right - Left) / double(periods.size())};
}

} // namespace

QByteArray StackedBars(const QString& title, const QString& description, const QStringList& periods,
                       const std::vector<Series>& series, const NumberText& number) {
    QByteArray out;
    const qsizetype n = periods.size();
    const auto [top, slot] = BeginPlot(out, title, description, periods, series, true, number);
    const double bar = std::max(1.0, slot * 0.78);
    for (qsizetype i = 0; i < n; ++i) {
        double base = Bottom;
        const double x = Left + slot * double(i) + (slot - bar) / 2;
        out += "<g>";
        Tooltip(out, PointText(periods[i], series, i, number));
        for (const Series& s : series) {
            const qint64 v = s.Values[size_t(i)];
            if (v <= 0) continue;
            const double h = double(v) / double(top) * (Bottom - Top);
            base -= h;
            out += "<rect class=\"" + s.Class + "\" x=\"" + Num(x) + "\" y=\"" + Num(base) +
                   "\" width=\"" + Num(bar) + "\" height=\"" + Num(h) + "\"/>";
        }
        out += "</g>";
    }
    out += "</svg>";
    return out;
}

QByteArray Lines(const QString& title, const QString& description, const QStringList& periods,
                 const std::vector<Series>& series, const NumberText& number) {
    QByteArray out;
    const qsizetype n = periods.size();
    const auto [top, slot] = BeginPlot(out, title, description, periods, series, false, number);
    const auto y = [&](qint64 v) { return Bottom - double(v) / double(top) * (Bottom - Top); };
    for (const Series& s : series) {
        out += "<polyline class=\"" + s.Class + "\" points=\"";
        for (qsizetype i = 0; i < n; ++i) {
            if (i > 0) out += ' ';
            out += Num(Left + slot * (double(i) + 0.5)) + ',' + Num(y(s.Values[size_t(i)]));
        }
        out += "\"/>";
    }
    // Points to hover over, where they are far enough apart to aim at.
    if (slot >= 4) {
        for (qsizetype i = 0; i < n; ++i) {
            out += "<g>";
            Tooltip(out, PointText(periods[i], series, i, number));
            for (const Series& s : series)
                out += "<circle class=\"dot-" + s.Class + "\" cx=\"" +
                       Num(Left + slot * (double(i) + 0.5)) + "\" cy=\"" +
                       Num(y(s.Values[size_t(i)])) + "\" r=\"" + Num(std::min(4.0, slot / 3)) +
                       "\"/>";
            out += "</g>";
        }
    }
    out += "</svg>";
    return out;
}

QByteArray HostBars(const QString& title, const QString& description,
                    const std::vector<HostTotals>& hosts, const NumberText& number,
                    const std::function<QString(qint32, qint32)>& share) {
    constexpr int Row = 28;
    constexpr int BarLeft = 250;
    constexpr int BarRight = 600;
    QByteArray out;
    const int height = int(hosts.size()) * Row + 8;
    Open(out, title, description, Width, height);
    qint32 most = 1;
    for (const HostTotals& h : hosts)
        most = std::max(most, h.Downloads);
    for (size_t i = 0; i < hosts.size(); ++i) {
        const HostTotals& h = hosts[i];
        const double y = 4 + double(i) * Row;
        const QString name = h.Host.isEmpty() ? u"(no host)"_s : h.Host;
        const double all = double(h.Downloads) / most * (BarRight - BarLeft);
        const double done = double(h.Finished) / most * (BarRight - BarLeft);
        out += "<g>";
        Tooltip(out, name + u": "_s + number(h.Downloads) + u" downloads, "_s +
                         share(h.Finished, h.Downloads));
        // Long names are cut to the space before the bars; the tooltip has them whole.
        Text(out, BarLeft - 10, y + 17, "end",
             name.size() > 34 ? QString(name.first(33) + QChar(0x2026)) : name, "host");
        out += "<rect class=\"open\" x=\"" + QByteArray::number(BarLeft) + "\" y=\"" + Num(y + 4) +
               "\" width=\"" + Num(std::max(all, 1.0)) + "\" height=\"18\"/>";
        if (done > 0)
            out += "<rect class=\"done\" x=\"" + QByteArray::number(BarLeft) + "\" y=\"" +
                   Num(y + 4) + "\" width=\"" + Num(done) + "\" height=\"18\"/>";
        Text(out, BarLeft + all + 8, y + 17, "start",
             QString(number(h.Downloads) + u" \u00b7 "_s + share(h.Finished, h.Downloads)),
             "share");
        out += "</g>";
    }
    out += "</svg>";
    return out;
}

} // namespace SvgCharts
