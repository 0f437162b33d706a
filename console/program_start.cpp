// Until the window exists the program runs the recovery without one: it lists
// the connections, starts by itself when there is exactly one, and writes the
// operator's texts to standard output.
#include <cstdio>
#include <cstdlib>

#include "console/output_log.h"
#include "hostnet/adapter_discovery.h"
#include "platform/embedded_image.h"
#include "platform/host_services.h"
#include "recovery/recovery_sequence.h"
#include "recovery/recovery_state.h"

int main() {
  static mirbo::OutputLog output;
  output.SetObserver([](std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  });
  if (mirbo::EmbeddedImageIsStandIn()) output.AppendOutput(mirbo::kStandInWarning);

  // Never destroyed: detached transfer threads use them until the process ends.
  static const std::unique_ptr<mirbo::HostServices> host = mirbo::MakeHostServices();
  static mirbo::RecoveryState state;
  static mirbo::RecoverySequence recovery(*host, output, state);
  if (mirbo::DiscoverAdapters(*host, output, state.adapters)) recovery.AutoStart();
  for (;;) host->Pause(1'000'000);
}
