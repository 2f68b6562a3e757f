#pragma once

#include <QIcon>
#include <QImage>

// The program's monogram at 16 and 32 pixels, each also at twice the density.
QIcon ProgramIcon();
// The monogram at a square size in device pixels, for the installed icon files.
QImage ProgramIconImage(int pixels);
