#include "console/qt/color_text_ctrl.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>

#include "console/qt/song_face.h"

namespace mirbo {
namespace {

constexpr char kFontErrorCaption[] = "字体创建错误";
constexpr char kFontErrorText[] = "字体不能创建!!!";

QColor ToQColor(ColorRef color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

ColorRef ToColorRef(const QColor& color) {
  return static_cast<ColorRef>(color.red()) | static_cast<ColorRef>(color.green()) << 8 |
         static_cast<ColorRef>(color.blue()) << 16;
}

// Qt always finds some font, so "cannot be made" means: nothing installed
// answers to the face, neither by its own name nor through a substitute.
bool FaceIsInstalled(const QString& face) {
  if (face.isEmpty()) return false;
  if (QFontDatabase::hasFamily(face)) return true;
  for (const QString& substitute : QFont::substitutes(face))
    if (QFontDatabase::hasFamily(substitute)) return true;
  return false;
}

// The height is that of the whole character cell, as Windows matches a
// positive height, so a line of text is never taller than asked for.
QFont CellHeightFont(const QString& face, int height) {
  QFont font(face);
  font.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
  for (int pixels = height; pixels > 1; --pixels) {
    font.setPixelSize(pixels);
    if (QFontMetrics(font).height() <= height) break;
  }
  return font;
}

}  // namespace

ColorTextCtrl::ColorTextCtrl(QLineEdit& widget, MessageBoxFunction message_box)
    : ColorTextCtrl(widget, [&widget](const QString& text) { widget.setText(text); }, std::move(message_box)) {}

ColorTextCtrl::ColorTextCtrl(QPlainTextEdit& widget, MessageBoxFunction message_box)
    : ColorTextCtrl(widget, [&widget](const QString& text) { widget.setPlainText(text); },
                    std::move(message_box)) {}

ColorTextCtrl::ColorTextCtrl(QWidget& widget, std::function<void(const QString&)> set_text,
                             MessageBoxFunction message_box)
    : widget_(widget),
      set_text_(std::move(set_text)),
      message_box_(std::move(message_box)),
      face_name_(QString::fromUtf8(kSongFace)),
      background_color_(ToColorRef(widget.palette().color(QPalette::Base))) {}

bool ColorTextCtrl::SetColors(ColorRef text_color, ColorRef background_color) {
  if (text_color != kKeepColor) text_color_ = text_color;
  if (background_color != kKeepColor) background_color_ = background_color;
  QPalette palette = widget_.palette();
  for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText})
    palette.setColor(role, ToQColor(text_color_));
  for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window})
    palette.setColor(role, ToQColor(background_color_));
  widget_.setPalette(palette);
  return true;
}

bool ColorTextCtrl::SetFaceAndHeight(const QString& face, int height) {
  face_name_ = face;
  height_ = height;
  if (height <= 0 || !FaceIsInstalled(face)) {
    widget_.setFont(QFont());
    message_box_(&widget_, MessageIcon::Critical, QString::fromUtf8(kFontErrorCaption),
                 QString::fromUtf8(kFontErrorText));
    return false;
  }
  widget_.setFont(CellHeightFont(face, height));
  return true;
}

void ColorTextCtrl::SetTextAndColors(const QString& text, ColorRef text_color, ColorRef background_color) {
  SetColors(text_color, background_color);
  set_text_(text);
}

}  // namespace mirbo
