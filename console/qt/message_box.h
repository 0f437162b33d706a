#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace mirbo {

enum class MessageIcon { Exclamation, Critical };

// Shows a message box with an OK button, owned by `owner` (or by nobody), and
// returns when it has been closed. Tests pass one that records instead.
using MessageBoxFunction =
    std::function<void(QWidget* owner, MessageIcon icon, const QString& caption, const QString& text)>;

void ShowPlatformMessageBox(QWidget* owner, MessageIcon icon, const QString& caption, const QString& text);

// The caption of the program's message boxes: the executable's file name
// without its extension, so it follows a renamed program.
QString ProgramTitle();

}  // namespace mirbo
