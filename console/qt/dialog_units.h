#pragma once

#include <QFont>
#include <QRect>

namespace mirbo {

// Pixels per four horizontal and per eight vertical dialog units: the
// average width and the height of a dialog's font, measured as Windows does.
struct DialogBaseUnits {
  int x = 0;
  int y = 0;
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

// A rectangle of a window layout, given in dialog units, in pixels. Corners
// are converted, not sizes, so neighbouring items keep sharing their edge.
QRect MapDialogRect(int x, int y, int width, int height, DialogBaseUnits base);

}  // namespace mirbo
