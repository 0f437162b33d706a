#include "tftp/transfer_socket.h"

#include <vector>

#include "tftp/tftp_packets.h"
#include "tftp/tftp_texts.h"

namespace mirbo {

void SendTftpError(UdpSocket& socket, const Ipv4Endpoint& to, std::string_view text) {
  const std::vector<std::uint8_t> packet = ErrorPacket(text);
  socket.SendTo(packet.data(), packet.size(), to);
}

std::unique_ptr<UdpSocket> OpenTransferSocket(HostServices& host, const TransferRequest& request) {
  std::unique_ptr<UdpSocket> socket = host.OpenUdpSocket();
  if (!socket) SendTftpError(*request.listening_socket, request.client, kSocketErrorText);
  return socket;
}

void BindTransferPort(UdpSocket& socket, std::uint16_t first_port) {
  // A 16-bit counter: past 65535 it wraps to 0, where any free port is taken.
  for (std::uint16_t port = first_port; !socket.Bind(port); ++port) {
  }
}

WaitResult WaitForReply(UdpSocket& socket, std::uint32_t& timeout_us, std::uint32_t last_timeout_us) {
  for (;;) {
    const WaitResult result = socket.WaitReadable(timeout_us);
    if (result != WaitResult::TimedOut) return result;
    if (timeout_us >= last_timeout_us) return WaitResult::TimedOut;
    timeout_us *= 2;
  }
}

}  // namespace mirbo
