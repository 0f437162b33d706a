#include "console/qt/log_view.h"

#include <QFontMetrics>
#include <QScrollBar>
#include <QTextCursor>
#include <QWheelEvent>

namespace mirbo {
namespace {

// Tabs stop every eight average characters, as in the system's text drawing.
constexpr int kTabStopCharacters = 8;

}  // namespace

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::NoTextInteraction);
  setFocusPolicy(Qt::NoFocus);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // A long run of progress marks has no word boundary to break at.
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setUndoRedoEnabled(false);
  document()->setDocumentMargin(0);
}

void LogView::AppendText(const QString& text) {
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertText(text);
  ShowNewest();
}

void LogView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange)
    setTabStopDistance(kTabStopCharacters * QFontMetrics(font()).averageCharWidth());
  QPlainTextEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange) ShowNewest();
}

void LogView::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  ShowNewest();
}

void LogView::wheelEvent(QWheelEvent* event) { event->ignore(); }

void LogView::ShowNewest() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }

}  // namespace mirbo
