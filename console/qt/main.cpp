#include "console/qt/recovery_app.h"

int main(int argc, char** argv) {
  mirbo::RecoveryApp app(argc, argv);
  app.Run();
  return 0;
}
