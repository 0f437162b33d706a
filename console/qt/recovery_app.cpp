#include "console/qt/recovery_app.h"

#include <cstdio>
#include <cstdlib>

#include "console/qt/message_box.h"
#include "console/qt/recovery_dialog.h"
#include "console/qt/song_face.h"
#include "platform/embedded_image.h"
#include "platform/socket_library.h"

namespace mirbo {
namespace {

constexpr char kSocketStartFailedText[] = "Windows 通信端口初始化失败。";

// A terminal user, and whoever reads standard output, sees the log too.
void MirrorToStandardOutput(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

// Worker threads may still be inside the recovery, the log or the host
// services: nothing may be destroyed under them, so the process ends here.
[[noreturn]] void EndProgram() {
  std::fflush(stdout);
  std::_Exit(EXIT_SUCCESS);
}

}  // namespace

RecoveryApp::RecoveryApp(int& argc, char** argv) : QApplication(argc, argv), host_(MakeHostServices()) {}

void RecoveryApp::Run() {
  InstallSongSubstitutes();
  if (!StartSocketLibrary()) {
    ShowPlatformMessageBox(nullptr, MessageIcon::Exclamation, ProgramTitle(),
                           QString::fromUtf8(kSocketStartFailedText));
    return;
  }
  RecoveryDialog dialog(*host_, output_, RecoverySettings{},
                        {ShowPlatformMessageBox, EmbeddedImageIsStandIn(), MirrorToStandardOutput});
  dialog.exec();
  EndProgram();
}

}  // namespace mirbo
