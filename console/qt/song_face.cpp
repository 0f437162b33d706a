#include "console/qt/song_face.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace mirbo {

void InstallSongSubstitutes() {
  QStringList faces{QStringLiteral("SimSun"), QStringLiteral("NSimSun")};
  faces += QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  QFont::insertSubstitutions(QString::fromUtf8(kSongFace), faces);
}

}  // namespace mirbo
