#include "tftp/request_listener.h"

#include <array>
#include <memory>

#include "tftp/image_transfer.h"
#include "tftp/tftp_packets.h"
#include "tftp/tftp_texts.h"
#include "tftp/upload_receiver.h"

namespace mirbo {
namespace {

// How often a listener that can be stopped looks at its stop token.
constexpr std::uint32_t kStopCheckIntervalUs = 20'000;

using TransferBody = void (*)(TftpService&, TransferRequest);

WaitResult WaitForRequest(UdpSocket& socket, const std::stop_token& stop) {
  if (!stop.stop_possible()) return socket.WaitReadable(std::nullopt);
  return socket.WaitReadable(kStopCheckIntervalUs);
}

// A thread that cannot be started drops its request unanswered.
void StartTransfer(TftpService& service, TransferBody body, TransferRequest request) {
  service.host.StartThread(
      [&service, body, request = std::move(request)]() mutable { body(service, std::move(request)); });
}

void ServeDatagram(TftpService& service, const std::shared_ptr<UdpSocket>& socket) {
  std::array<std::uint8_t, kMaxRequest> buffer{};
  Ipv4Endpoint sender;
  const int size = socket->ReceiveFrom(buffer.data(), buffer.size(), &sender);
  if (size <= 0 || size > static_cast<int>(buffer.size())) return;  // failed, empty or too long
  TransferRequest request{socket, sender, ReadRequestName(buffer.data(), static_cast<std::size_t>(size))};
  switch (ReadOpcode(buffer.data())) {
    case Opcode::ReadRequest: return StartTransfer(service, ImageTransfer, std::move(request));
    case Opcode::WriteRequest: return StartTransfer(service, UploadReceiver, std::move(request));
    default: return;  // nothing else is answered at the front door
  }
}

}  // namespace

void RequestListener(TftpService& service, std::stop_token stop) {
  const std::shared_ptr<UdpSocket> socket = service.host.OpenUdpSocket();
  if (!socket) return;
  service.host.Pause(service.settings.listener_pause_ms);
  if (!socket->Bind(service.settings.listener_port)) {
    service.output.AppendOutput(kBindFailedText);
    return;
  }
  service.output.AppendOutput(kCableInstructionText);
  service.output.AppendOutput(kPowerInstructionText);
  while (!stop.stop_requested()) {
    if (WaitForRequest(*socket, stop) == WaitResult::Ready) ServeDatagram(service, socket);
  }
}

}  // namespace mirbo
