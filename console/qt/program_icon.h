#pragma once

#include <QIcon>
#include <QImage>

namespace mirbo {

// The program's icon, 128 × 128 pixels of 32 bits: a router under a green
// circling arrow, on black-green, drawn when asked so no image file ships.
QImage ProgramIconImage();
QIcon ProgramIcon();

}  // namespace mirbo
