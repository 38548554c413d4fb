#pragma once

#include <QIcon>

// The program's images. The large list holds the upper tool bar's and the tray's 32x32 images by
// index (0 record, 1 play, 2 clear, 3 save, 5 open, 6 stop, 7 idle); the small list the lower tool bar's
// 16x16 images (0 down, 1 up, 2 pencil, 3 cross).
namespace Artwork
{
QIcon ImageList1(int index);
QIcon ImageList3(int index);
QIcon programIcon();
// The About window's 127x127 picture.
QIcon aboutPicture();
} // namespace Artwork
