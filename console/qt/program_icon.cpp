#include "console/qt/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace mirbo {
namespace {

constexpr int kSize = 128;
const QColor kGreen(0x00, 0xFF, 0x00);
const QColor kDarkGreen(0x0B, 0x3D, 0x1A);

void PaintGround(QPainter& painter) {
  QRadialGradient ground(QPointF(64, 52), 80);
  ground.setColorAt(0, kDarkGreen);
  ground.setColorAt(1, Qt::black);
  painter.setPen(Qt::NoPen);
  painter.setBrush(ground);
  painter.drawRoundedRect(QRectF(2, 2, 124, 124), 22, 22);
}

void PaintRouter(QPainter& painter) {
  painter.setPen(QPen(kGreen.darker(130), 6, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(30, 78), QPointF(22, 50));
  painter.drawLine(QPointF(98, 78), QPointF(106, 50));
  painter.setPen(QPen(kGreen, 3));
  painter.setBrush(QColor(0x26, 0x26, 0x26));
  painter.drawRoundedRect(QRectF(14, 76, 100, 34), 8, 8);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kGreen);
  for (int led = 0; led < 4; ++led) painter.drawEllipse(QPointF(34 + led * 14, 93), 4, 4);
}

// An arrow circling back to its start: the router brought back to life.
void PaintArrow(QPainter& painter) {
  const QPointF centre(64, 42);
  constexpr qreal kRadius = 24;
  constexpr qreal kStartDegrees = 60;
  constexpr qreal kSpanDegrees = 280;
  QPainterPath arc;
  arc.arcMoveTo(QRectF(centre.x() - kRadius, centre.y() - kRadius, 2 * kRadius, 2 * kRadius), kStartDegrees);
  arc.arcTo(QRectF(centre.x() - kRadius, centre.y() - kRadius, 2 * kRadius, 2 * kRadius), kStartDegrees,
            kSpanDegrees);
  painter.setPen(QPen(kGreen, 8, Qt::SolidLine, Qt::FlatCap));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(arc);

  // The head points along the circle at the arc's end (counter-clockwise).
  const qreal end = qDegreesToRadians(kStartDegrees + kSpanDegrees);
  const QPointF tip = centre + QPointF(kRadius * qCos(end), -kRadius * qSin(end));
  const QPointF along(-qSin(end), -qCos(end));  // direction of travel on the screen
  const QPointF across(qCos(end), -qSin(end));
  QPolygonF head;
  head << tip + along * 12 << tip + across * 11 << tip - across * 11;
  painter.setPen(Qt::NoPen);
  painter.setBrush(kGreen);
  painter.drawPolygon(head);
}

}  // namespace

QImage ProgramIconImage() {
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  PaintGround(painter);
  PaintRouter(painter);
  PaintArrow(painter);
  return image;
}

QIcon ProgramIcon() { return QIcon(QPixmap::fromImage(ProgramIconImage())); }

}  // namespace mirbo
