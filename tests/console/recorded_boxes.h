#pragma once

#include <vector>

#include <QString>

#include "console/qt/message_box.h"

namespace mirbo {

// Message boxes as the window would have shown them; none waits for a human.
struct ShownBox {
  QWidget* owner;
  MessageIcon icon;
  QString caption;
  QString text;
};

struct RecordedBoxes {
  std::vector<ShownBox> shown;

  MessageBoxFunction Function() {
    return [this](QWidget* owner, MessageIcon icon, const QString& caption, const QString& text) {
      shown.push_back({owner, icon, caption, text});
    };
  }
};

}  // namespace mirbo
