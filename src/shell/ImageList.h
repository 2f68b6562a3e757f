#pragma once

#include <QIcon>
#include <QImage>

// ImageList1: the tree's ten pictures (1-based, 16 x 16 logical pixels), painted in code so
// that they stay sharp at any scale, and the program's icon.
namespace ImageList1 {

inline constexpr int Count = 10;
inline constexpr int Size = 16;

// Picture `index` painted at `scale` times its size (2 for a 200 % screen); transparent
// where the picture has no ink. A null image for an index outside 1..Count.
QImage Picture(int index, qreal scale = 1.0);

// The picture at 1x and 2x, for item views.
QIcon Icon(int index);

} // namespace ImageList1

// The program's monogram at 16 and 32 pixels, each also at twice the density.
QIcon ProgramIcon();
// The monogram at a square size in device pixels, for the installed icon files.
QImage ProgramIconImage(int pixels);
