#include "shell/ImageList1.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Every picture is drawn on a 16 x 16 grid; 0.5 offsets put one-unit lines on pixel centres.
const QColor Ink(0x30, 0x30, 0x30);
const QColor PaperEdge(0x70, 0x70, 0x70);
const QColor Grey(0xC0, 0xC0, 0xC0);
const QColor DarkGrey(0x58, 0x58, 0x58);
const QColor Red(0xD0, 0x20, 0x20);
const QColor Blue(0x20, 0x50, 0xC8);
const QColor Yellow(0xF4, 0xC8, 0x30);
const QColor YellowEdge(0x9A, 0x72, 0x10);
const QColor Green(0x38, 0x98, 0x38);

void GreyTile(QPainter& p) {
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    p.setBrush(Grey);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2, 2);
}

void Arrow(QPainter& p, QPointF tip, QPointF dir, qreal len, const QColor& color) {
    const QPointF n(-dir.y(), dir.x());
    QPolygonF head{tip, tip - dir * len + n * len * 0.7, tip - dir * len - n * len * 0.7};
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(head);
}

// A sheet with a folded corner, its right edge at `right`.
void Page(QPainter& p, qreal right = 12.5) {
    QPainterPath page;
    page.moveTo(2.5, 0.5);
    page.lineTo(right - 3, 0.5);
    page.lineTo(right, 3.5);
    page.lineTo(right, 15.5);
    page.lineTo(2.5, 15.5);
    page.closeSubpath();
    p.setPen(QPen(PaperEdge, 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawPolyline(QPolygonF{{right - 3, 0.5}, {right - 3, 3.5}, {right, 3.5}});
}

void WrittenLines(QPainter& p, qreal right, int last) {
    p.setPen(QPen(QColor(0x80, 0x80, 0x90), 1));
    for (int y = 5; y <= last; y += 2)
        p.drawLine(QPointF(4.5, y + 0.5), QPointF(right, y + 0.5));
}

void Tick(QPainter& p, QPointF at) {
    QPen pen(Red, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{at + QPointF(0, 2.5), at + QPointF(2, 4.5), at + QPointF(6, 0)});
}

void Clock(QPainter& p, QPointF centre, qreal radius, const QColor& face, const QColor& edge) {
    p.setPen(QPen(edge, 1));
    p.setBrush(face);
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(0, -radius * 0.7));
    p.drawLine(centre, centre + QPointF(radius * 0.55, 0));
}

void Calendar(QPainter& p) {
    p.setPen(QPen(PaperEdge, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(Red);
    p.drawRect(QRectF(2, 3, 12, 3));
    p.setPen(QPen(DarkGrey, 1));
    p.drawLine(QPointF(4.5, 1), QPointF(4.5, 4));
    p.drawLine(QPointF(11.5, 1), QPointF(11.5, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x70, 0x70, 0x80));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(3 + col * 3, 7.5 + row * 2.5, 1.6, 1.4));
}

void Monogram(QPainter& p) {
    GreyTile(p);
    // The large serif capital: a ring with a tail, and serif-like thick and thin strokes.
    QPainterPath q;
    q.addEllipse(QRectF(1.6, 2.2, 9.6, 10.6));
    q.addEllipse(QRectF(3.9, 3.6, 5.0, 7.8));
    q.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(DarkGrey);
    p.drawPath(q);
    p.setPen(QPen(DarkGrey, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(6.8, 10.6), QPointF(9.6, 14.4));
    p.setPen(QPen(DarkGrey, 1.0));
    p.drawLine(QPointF(8.4, 14.5), QPointF(11.2, 14.5));
    // The small red capital G, raised at the upper right.
    QPen red(Red, 1.3, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    p.setPen(red);
    p.setBrush(Qt::NoBrush);
    const QRectF g(10.0, 1.4, 4.8, 5.2);
    p.drawArc(g, 40 * 16, 280 * 16);
    p.drawPolyline(QPolygonF{{12.6, 4.2}, {14.5, 4.2}, {14.5, 6.2}});
    // The small clock dial at the lower right.
    Clock(p, QPointF(12.5, 12.5), 2.9, Qt::white, Ink);
}

void GlobePage(QPainter& p) {
    Page(p, 11.5);
    WrittenLines(p, 9.5, 7);
    const QPointF c(10.5, 10.5);
    p.setPen(QPen(QColor(0x10, 0x30, 0x80), 1));
    p.setBrush(QColor(0x50, 0x90, 0xE8));
    p.drawEllipse(c, 5.0, 5.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Green);
    QPainterPath land;
    land.moveTo(7.4, 8.6);
    land.cubicTo(9.0, 7.0, 11.0, 8.4, 10.4, 10.0);
    land.cubicTo(9.6, 11.6, 11.6, 12.8, 10.2, 14.6);
    land.cubicTo(8.2, 13.6, 6.8, 11.0, 7.4, 8.6);
    p.drawPath(land);
    p.drawEllipse(QPointF(13.0, 9.0), 1.3, 1.0);
    p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF, 0x90), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 2.2, 5.0);
    p.drawLine(c - QPointF(5, 0), c + QPointF(5, 0));
}

void TickedPage(QPainter& p) {
    Page(p);
    WrittenLines(p, 10.5, 13);
    Tick(p, QPointF(8.5, 8.5));
}

void ClockPage(QPainter& p) {
    Page(p);
    WrittenLines(p, 10.5, 13);
    Clock(p, QPointF(11.0, 11.0), 4.2, Yellow, YellowEdge);
}

void OpenFolder(QPainter& p) {
    QPainterPath back;
    back.moveTo(0.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(6.5, 4.5);
    back.lineTo(13.5, 4.5);
    back.lineTo(13.5, 13.5);
    back.lineTo(0.5, 13.5);
    back.closeSubpath();
    p.setPen(QPen(YellowEdge, 1));
    p.setBrush(QColor(0xE0, 0xB0, 0x28));
    p.drawPath(back);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 5.5, 9, 4));
    QPolygonF front{{3.5, 7.5}, {15.5, 7.5}, {13.0, 13.5}, {0.5, 13.5}};
    p.setPen(QPen(YellowEdge, 1));
    p.setBrush(Yellow);
    p.drawPolygon(front);
}

void ChasingArrows(QPainter& p) {
    GreyTile(p);
    const QRectF ring(3, 3, 10, 10);
    p.setPen(QPen(Blue, 2.0, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(ring, 110 * 16, 130 * 16);
    p.drawArc(ring, 290 * 16, 130 * 16);
    // Heads at the ends the arcs run towards (counter-clockwise).
    Arrow(p, QPointF(13.6, 6.2), QPointF(0.35, -0.94), 3.0, Blue);
    Arrow(p, QPointF(2.4, 9.8), QPointF(-0.35, 0.94), 3.0, Blue);
}

void KbArrows(QPainter& p) {
    p.setPen(QPen(Blue, 1.4, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(0.8, 2.5, 6, 11), 100 * 16, 150 * 16);
    p.drawArc(QRectF(9.2, 2.5, 6, 11), -80 * 16, 150 * 16);
    Arrow(p, QPointF(2.6, 13.2), QPointF(0.6, 0.8), 2.4, Blue);
    Arrow(p, QPointF(13.4, 2.8), QPointF(-0.6, -0.8), 2.4, Blue);
    // "Kb" in strokes, so that it does not depend on an installed face.
    QPen pen(Ink, 1.2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    p.setPen(pen);
    p.drawLine(QPointF(4.9, 4.8), QPointF(4.9, 11.2));
    p.drawLine(QPointF(8.0, 4.8), QPointF(5.3, 8.0));
    p.drawLine(QPointF(5.8, 7.5), QPointF(8.2, 11.2));
    p.drawLine(QPointF(9.0, 4.8), QPointF(9.0, 11.2));
    p.drawArc(QRectF(9.0, 7.6, 2.8, 3.6), -90 * 16, 180 * 16);
    p.drawLine(QPointF(9.0, 7.6), QPointF(10.4, 7.6));
    p.drawLine(QPointF(9.0, 11.2), QPointF(10.4, 11.2));
}

void SwapArrows(QPainter& p) {
    GreyTile(p);
    p.setPen(QPen(Ink, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(6, 5.5), QPointF(13.5, 5.5));
    p.drawLine(QPointF(2.5, 10.5), QPointF(10, 10.5));
    Arrow(p, QPointF(2.0, 5.5), QPointF(-1, 0), 4.0, Ink);
    Arrow(p, QPointF(14.0, 10.5), QPointF(1, 0), 4.0, Ink);
}

void TickedCalendar(QPainter& p) {
    Calendar(p);
    Tick(p, QPointF(8.0, 8.5));
}

using Painter = void (*)(QPainter&);
constexpr std::array<Painter, ImageList1::Count> Painters = {
    Monogram,   GlobePage,     Calendar, TickedPage, ClockPage,
    OpenFolder, ChasingArrows, KbArrows, SwapArrows, TickedCalendar};
static_assert(Painters[ImageList1::MonogramPicture - 1] == Monogram);

QImage Paint(Painter paint, int pixels, qreal gridUnits) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixels / gridUnits, pixels / gridUnits);
    paint(p);
    return image;
}

} // namespace

namespace ImageList1 {

QImage Picture(int index, qreal scale) {
    if (index < 1 || index > Count) return {};
    const int pixels = qRound(Size * scale);
    QImage image = Paint(Painters[size_t(index - 1)], pixels, Size);
    image.setDevicePixelRatio(scale);
    return image;
}

QIcon Icon(int index) {
    QIcon icon;
    for (const qreal scale : {1.0, 2.0})
        icon.addPixmap(QPixmap::fromImage(Picture(index, scale)));
    return icon;
}

} // namespace ImageList1
