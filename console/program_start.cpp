// Until the window exists the program runs the firmware service alone and
// writes the operator's texts to standard output.
#include <cstdio>

#include "console/output_log.h"
#include "platform/embedded_image.h"
#include "platform/host_services.h"
#include "tftp/request_listener.h"

int main() {
  mirbo::OutputLog output;
  output.SetObserver([](std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  });
  if (mirbo::EmbeddedImageIsStandIn()) output.AppendOutput(mirbo::kStandInWarning);

  const std::unique_ptr<mirbo::HostServices> host = mirbo::MakeHostServices();
  mirbo::FirmwareImage image;
  if (!host->LoadFirmwareImage(&image)) return 1;
  // The recovery's closing steps come with the window; until then a
  // delivered image ends the transfer and nothing more.
  mirbo::TftpService service{*host, output, image, [] {}, {}, {}};
  mirbo::RequestListener(service);
  return 1;  // the listener returns only when its port cannot be had
}
