// render-controls OUTDIR: draws each control in each of its looks to PNG files in OUTDIR,
// plus controls-sheet.png with all of them side by side, for a reviewer's eye. Runs headless
// (offscreen) unless QT_QPA_PLATFORM says otherwise; QT_SCALE_FACTOR=2 gives high-DPI renders.

#include "controls/HotCommand.h"
#include "controls/PropertyBag.h"
#include "controls/ucPBar.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

struct Render {
    QString Name;
    QPixmap Picture;
};

struct Variant {
    QString Name;
    QString Caption;
    OleColor Back, Fore, BackHi, ForeHi, BackDown, ForeDown;
};

void SendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button) {
    const QPointF at = QRectF(target->rect()).center();
    QMouseEvent e(type, at, target->mapToGlobal(at), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                  Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
}

QList<Render> RenderButtons(QWidget& host) {
    const QList<Variant> variants = {
        {u"window"_s, u"Re-read Log"_s, RgbColor(0xC0, 0xC0, 0xC0), RgbColor(0x40, 0x40, 0x40),
         RgbColor(0xC0, 0xC0, 0xC0), RgbColor(0, 0, 0), RgbColor(0xE0, 0xE0, 0xE0),
         RgbColor(0, 0, 0)},
        {u"exit"_s, u"Exit"_s, RgbColor(0xC0, 0xC0, 0xC0), SysColor::ButtonText,
         RgbColor(0x80, 0, 0), RgbColor(0xFF, 0xFF, 0xFF), RgbColor(0x80, 0, 0),
         RgbColor(0xFF, 0xFF, 0xFF)},
        {u"defaults"_s, u"HotCommand"_s, SysColor::AppWorkspace, SysColor::WindowText,
         SysColor::ButtonFace, SysColor::ButtonText, SysColor::ButtonFace, SysColor::ButtonText},
    };
    const QList<std::pair<QString, std::function<void(HotCommand&)>>> looks = {
        {u"resting"_s, [](HotCommand&) {}},
        {u"hot"_s,
         [](HotCommand& b) { SendMouse(b.picButton(), QEvent::MouseMove, Qt::NoButton); }},
        {u"pressed"_s,
         [](HotCommand& b) { SendMouse(b.picButton(), QEvent::MouseButtonPress, Qt::LeftButton); }},
        {u"disabled"_s, [](HotCommand& b) { b.SetEnabled(false); }},
    };
    QList<Render> renders;
    for (const Variant& v : variants) {
        for (const auto& [look, drive] : looks) {
            HotCommand button(&host);
            PropertyBag bag;
            bag.Set(u"Caption"_s, v.Caption);
            bag.Set(u"BackColor"_s, v.Back);
            bag.Set(u"ForeColor"_s, v.Fore);
            bag.Set(u"BackColorHi"_s, v.BackHi);
            bag.Set(u"ForeColorHi"_s, v.ForeHi);
            bag.Set(u"BackColorDown"_s, v.BackDown);
            bag.Set(u"ForeColorDown"_s, v.ForeDown);
            button.ReadProperties(bag);
            button.setGeometry(8, 8, 1185 / 15, 315 / 15);
            button.show();
            drive(button);
            renders.append({u"hotcommand-"_s + v.Name + u'-' + look, button.grab()});
            SendMouse(button.picButton(), QEvent::MouseButtonRelease, Qt::LeftButton);
        }
    }
    return renders;
}

QList<Render> RenderBars(QWidget& host) {
    QList<Render> renders;
    const qint32 max = 4 * 1048576;
    for (int style = 0; style <= 5; ++style) {
        for (int percent : {0, 50, 100}) {
            ucPBar bar(&host);
            PropertyBag bag;
            bag.Set(u"BackColor"_s, RgbColor(0xC0, 0xC0, 0xC0));
            bag.Set(u"BarBackColor"_s, RgbColor(0x80, 0x80, 0x80));
            bag.Set(u"Caption"_s, u"Analyzing"_s);
            bag.Set(u"Max"_s, max);
            bag.Set(u"DisplayStyle"_s, qint32(style));
            bar.ReadProperties(bag);
            bar.setGeometry(8, 8, 4755 / 15, 345 / 15);
            bar.show();
            bar.SetValue(qint32(qint64(max) * percent / 100));
            renders.append(
                {u"pbar-style%1-%2"_s.arg(style).arg(percent, 3, 10, QChar(u'0')), bar.grab()});
        }
    }
    ucPBar framed(&host);
    framed.InitProperties();
    framed.SetBorderStyle(1);
    framed.show();
    framed.SetValue(50);
    renders.append({u"pbar-defaults-framed-050"_s, framed.grab()});
    return renders;
}

QImage Sheet(const QList<Render>& renders) {
    const int labelWidth = 220, gap = 6;
    int width = 0, height = gap;
    for (const Render& r : renders) {
        const QSizeF size = r.Picture.deviceIndependentSize();
        width = std::max(width, labelWidth + int(size.width()) + 2 * gap);
        height += int(size.height()) + gap;
    }
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    int y = gap;
    for (const Render& r : renders) {
        const QSizeF size = r.Picture.deviceIndependentSize();
        p.setPen(Qt::black);
        p.drawText(QRectF(gap, y, labelWidth, size.height()), Qt::AlignVCenter, r.Name);
        p.drawPixmap(QRectF(QPointF(labelWidth, y), size), r.Picture, r.Picture.rect());
        y += int(size.height()) + gap;
    }
    return sheet;
}

// The offscreen platform cannot grab the pointer for real and says so on every hover; the
// widget-level capture the button relies on works all the same.
void QuietGrabWarnings(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
    if (msg.contains(u"does not support grabbing the mouse"_s)) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, msg)));
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietGrabWarnings);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render-controls OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(u"."_s)) {
        std::fprintf(stderr, "render-controls: cannot create %s\n", argv[1]);
        return 1;
    }
    QWidget host;
    host.setFont(QFont(u"MS Sans Serif"_s, 8)); // falls back to the desktop's sans serif
    host.resize(400, 60);
    host.show();

    QList<Render> renders = RenderButtons(host);
    renders += RenderBars(host);
    for (const Render& r : renders) {
        if (!r.Picture.save(out.filePath(r.Name + u".png"_s))) {
            std::fprintf(stderr, "render-controls: cannot write %s\n", qPrintable(r.Name));
            return 1;
        }
    }
    if (!Sheet(renders).save(out.filePath(u"controls-sheet.png"_s))) return 1;
    std::printf("%d pictures and controls-sheet.png in %s\n", int(renders.size()),
                qPrintable(out.absolutePath()));
    return 0;
}
