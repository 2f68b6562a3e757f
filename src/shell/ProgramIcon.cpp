#include "shell/ProgramIcon.h"

#include "shell/ImageList1.h"

QImage ProgramIconImage(int pixels) {
    // Painted at the size asked for, not scaled from a small copy, so each size stays sharp.
    QImage image =
        ImageList1::Picture(ImageList1::MonogramPicture, pixels / qreal(ImageList1::Size));
    // Icon files hold plain pixels: one device pixel each.
    image.setDevicePixelRatio(1.0);
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int pixels : {16, 32, 64})
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(pixels)));
    return icon;
}
