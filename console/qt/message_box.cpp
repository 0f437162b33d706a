#include "console/qt/message_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace mirbo {

void ShowPlatformMessageBox(QWidget* owner, MessageIcon icon, const QString& caption, const QString& text) {
  QMessageBox box(icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning, caption, text,
                  QMessageBox::Ok, owner);
  box.exec();
}

QString ProgramTitle() { return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(); }

}  // namespace mirbo
