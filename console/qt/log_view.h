#pragma once

#include <QPlainTextEdit>

namespace mirbo {

// The output area: the operator's log, word-wrapped, that only grows. The
// operator can neither type into it, select in it nor scroll it, and it shows
// no scroll bar; when the log outgrows it, the oldest lines leave at the top
// so that the newest, where the success text lands, always stay in view.
class LogView : public QPlainTextEdit {
 public:
  explicit LogView(QWidget* parent);

  // Adds `text` at the end; its own "\n" start new lines.
  void AppendText(const QString& text);

 protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void ShowNewest();
};

}  // namespace mirbo
