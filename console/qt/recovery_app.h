#pragma once

#include <memory>

#include <QApplication>

#include "console/output_log.h"
#include "platform/host_services.h"

namespace mirbo {

// The application: starts what the window needs, runs the window, and ends
// the program the moment it closes.
class RecoveryApp : public QApplication {
 public:
  RecoveryApp(int& argc, char** argv);

  // Returns only when no window could be made; otherwise the process ends
  // when the window closes.
  void Run();

 private:
  // Detached transfer threads use these until the process ends: never destroyed.
  std::unique_ptr<HostServices> host_;
  OutputLog output_;
};

}  // namespace mirbo
