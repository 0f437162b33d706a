#pragma once

#include <QLineEdit>

namespace mirbo {

// The entry line: typed characters other than the digits 0 to 9 are refused,
// while pasted or dropped text goes in unchanged (Enter's reading copes with
// blanks and signs).
class NumberLineEdit : public QLineEdit {
 public:
  explicit NumberLineEdit(QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace mirbo
