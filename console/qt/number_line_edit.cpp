#include "console/qt/number_line_edit.h"

#include <QKeyEvent>

namespace mirbo {
namespace {

// Shortcuts such as paste are commands, whatever text they carry; Windows
// reports AltGr, which types characters, as Ctrl+Alt.
bool IsShortcut(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if (modifiers.testFlag(Qt::ControlModifier) && modifiers.testFlag(Qt::AltModifier)) return false;
  return modifiers & (Qt::ControlModifier | Qt::MetaModifier);
}

// Control characters (Backspace, Enter) are not typing.
bool TypesNonDigit(const QKeyEvent& event) {
  if (IsShortcut(event)) return false;
  for (const QChar c : event.text())
    if (c.isPrint() && (c < QLatin1Char('0') || c > QLatin1Char('9'))) return true;
  return false;
}

}  // namespace

NumberLineEdit::NumberLineEdit(QWidget* parent) : QLineEdit(parent) {
  setFrame(false);
  setInputMethodHints(Qt::ImhDigitsOnly);
}

void NumberLineEdit::keyPressEvent(QKeyEvent* event) {
  if (TypesNonDigit(*event)) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace mirbo
