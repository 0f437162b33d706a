#pragma once

#include <cstdint>
#include <functional>

#include <QString>

#include "console/qt/message_box.h"

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace mirbo {

// A colour as 0x00BBGGRR: red in the lowest byte.
using ColorRef = std::uint32_t;
inline constexpr ColorRef kKeepColor = 0xFFFFFFFF;  // never a colour: "keep the present one"
inline constexpr ColorRef kGreen = 0x0000FF00;
inline constexpr ColorRef kBlack = 0x00000000;

// Gives an existing text widget its own face, height, text colour and
// background colour. The widget stays owned by its window.
class ColorTextCtrl {
 public:
  ColorTextCtrl(QLineEdit& widget, MessageBoxFunction message_box);
  ColorTextCtrl(QPlainTextEdit& widget, MessageBoxFunction message_box);

  // Stores each colour that is not kKeepColor and repaints with them.
  // Always true.
  bool SetColors(ColorRef text_color, ColorRef background_color);

  // Draws the text in `face` with a character cell `height` pixels high.
  // False, after the font error box, when no installed face answers to
  // `face` or the height is not positive; the widget then draws in the
  // application's default font.
  bool SetFaceAndHeight(const QString& face, int height);

  // SetColors, then replaces the widget's whole text.
  void SetTextAndColors(const QString& text, ColorRef text_color, ColorRef background_color);

 private:
  ColorTextCtrl(QWidget& widget, std::function<void(const QString&)> set_text, MessageBoxFunction message_box);

  QWidget& widget_;
  std::function<void(const QString&)> set_text_;
  MessageBoxFunction message_box_;
  QString face_name_;
  int height_ = 12;
  ColorRef text_color_ = kBlack;
  ColorRef background_color_;
};

}  // namespace mirbo
