#pragma once

#include <QIcon>
#include <QImage>

// ImageList1: the tree's ten pictures (1-based, 16 x 16 logical pixels), painted in code so
// that they stay sharp at any scale.
namespace ImageList1 {

inline constexpr int Count = 10;
inline constexpr int Size = 16;
// Picture 1 is the program's monogram, which is also its icon (shell/ProgramIcon.h).
inline constexpr int MonogramPicture = 1;

// Picture `index` painted at `scale` times its size (2 for a 200 % screen); transparent
// where the picture has no ink. A null image for an index outside 1..Count.
QImage Picture(int index, qreal scale = 1.0);

// The picture at 1x and 2x, for item views.
QIcon Icon(int index);

} // namespace ImageList1
