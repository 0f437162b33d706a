#include "hostnet/router_wait.h"

#include <array>

#include "hostnet/echo_message.h"

namespace mirbo {
namespace {

constexpr int kAnswersNeeded = 10;

bool AwaitAnswer(EchoSocket& socket, const EchoRequest& request, std::uint32_t echo_wait_us) {
  for (;;) {
    if (socket.WaitReadable(echo_wait_us) != WaitResult::Ready) return false;
    std::array<std::uint8_t, kEchoAnswerBufferSize> datagram{};
    if (socket.Receive(datagram.data(), datagram.size()) <= 0) continue;
    if (IsEchoAnswer(datagram, request)) return true;
  }
}

}  // namespace

void WaitForRouter(HostServices& host, OutputLog& output, std::uint32_t echo_wait_us,
                   std::uint32_t pause_ms) {
  for (int needed = kAnswersNeeded; needed > 0; --needed) {
    while (!ProbeRouter(host, echo_wait_us)) {
      host.Pause(pause_ms);
      output.AppendOutput(".");
    }
  }
}

bool ProbeRouter(HostServices& host, std::uint32_t echo_wait_us) {
  const std::unique_ptr<EchoSocket> socket = host.OpenEchoSocket();
  if (!socket) return false;
  const EchoRequest request = BuildEchoRequest(host.ProcessId());
  if (socket->SendTo(request.data(), request.size(), kRouterAddress) <= 0) return false;
  return AwaitAnswer(*socket, request, echo_wait_us);
}

}  // namespace mirbo
