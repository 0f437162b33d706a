#include "console/qt/dialog_units.h"

#include <QFontMetrics>

namespace mirbo {
namespace {

// The letters whose mean width is a font's average character width.
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// a * b / c, rounded to the nearest whole number; layout values are never negative.
int MulDiv(int a, int b, int c) { return (a * b + c / 2) / c; }

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  return {(metrics.horizontalAdvance(QLatin1String(kAlphabet)) / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(int x, int y, int width, int height, DialogBaseUnits base) {
  const QPoint top_left(MulDiv(x, base.x, 4), MulDiv(y, base.y, 8));
  const QPoint bottom_right(MulDiv(x + width, base.x, 4), MulDiv(y + height, base.y, 8));
  return QRect(top_left, bottom_right - QPoint(1, 1));
}

}  // namespace mirbo
