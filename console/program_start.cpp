// Until the window exists the program runs the firmware service alone and
// writes the operator's texts to standard output.
#include <cstdio>

#include "console/output_log.h"
#include "platform/embedded_image.h"
#include "platform/host_services.h"

int main() {
  mirbo::OutputLog output;
  output.SetObserver([](std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  });
  if (mirbo::EmbeddedImageIsStandIn()) output.AppendOutput(mirbo::kStandInWarning);
  return 0;
}
