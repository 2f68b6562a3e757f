#include "controls/HotLook.h"

namespace HotLook {

bool IsInside(QPointF p, QSizeF face) {
    return !(p.x() < 0 || p.y() < 0 || p.x() > face.width() || p.y() > face.height());
}

QPointF CentredCaption(const Face& face) {
    return {(face.Size.width() - face.CaptionSize.width()) / 2.0,
            (face.Size.height() - face.CaptionSize.height()) / 2.0};
}

Look ButtonLook(QPointF point, qint16 button, OleColor resting, OleColor active,
                const Colors& colors, const Face& face) {
    Look look;
    look.ShowCaption = !face.CaptionEmpty;
    look.CaptionPos = CentredCaption(face);
    if (!IsInside(point, face.Size)) {
        look.PointerCapture = Capture::Release;
        look.Face = resting;
        look.CaptionColor = colors.Fore;
        return look;
    }
    look.PointerCapture = Capture::Take;
    look.Face = active;
    if (button != 0) {
        look.Edges = Bevel::Sunken;
        look.Outline = SysColor::ButtonHighlight;
        look.TopLeft = SysColor::ButtonShadow;
        look.CaptionPos += PressedShift;
        look.CaptionColor = colors.ForeDown;
    } else {
        look.Edges = Bevel::Raised;
        look.Outline = SysColor::ButtonShadow;
        look.TopLeft = SysColor::ButtonHighlight;
        look.CaptionColor = colors.ForeHi;
    }
    return look;
}

Look NormalLook(OleColor currentFace, OleColor fore, bool enabled, const Face& face) {
    Look look;
    look.Face = currentFace;
    look.ShowCaption = !face.CaptionEmpty;
    look.CaptionPos = CentredCaption(face);
    look.CaptionColor = enabled ? fore : SysColor::ButtonShadow;
    return look;
}

} // namespace HotLook
