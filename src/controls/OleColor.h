#pragma once

#include <QColor>
#include <QtGlobal>

class QPalette;

// A colour as the stored layout knows it: 0x00BBGGRR is a literal colour (red in the low
// byte); 0x80000000 + n names system colour n, resolved only when drawn so that the
// controls follow the desktop theme.
enum class OleColor : quint32 {};

namespace SysColor {
inline constexpr OleColor ActiveCaption{0x80000002};
inline constexpr OleColor Window{0x80000005};
inline constexpr OleColor WindowText{0x80000008};
inline constexpr OleColor CaptionText{0x80000009};
inline constexpr OleColor AppWorkspace{0x8000000C};
inline constexpr OleColor ButtonFace{0x8000000F};
inline constexpr OleColor ButtonShadow{0x80000010};
inline constexpr OleColor ButtonText{0x80000012};
inline constexpr OleColor ButtonHighlight{0x80000014};
} // namespace SysColor

constexpr bool IsSystemColor(OleColor c) { return (quint32(c) & 0xFF000000u) == 0x80000000u; }

// The literal colour of red, green and blue bytes.
constexpr OleColor RgbColor(int r, int g, int b) {
    return OleColor(quint32(r & 0xFF) | quint32(g & 0xFF) << 8 | quint32(b & 0xFF) << 16);
}

// Literal colours ignore the high byte; unknown system colour numbers resolve to black.
QColor ResolveColor(OleColor c, const QPalette& palette);
