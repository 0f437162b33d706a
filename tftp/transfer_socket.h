#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/host_services.h"
#include "platform/udp_socket.h"
#include "tftp/transfer_request.h"

namespace mirbo {

// Sends one ERROR packet with `text` from `socket` to `to`. Whether it went
// out is not looked at: the transfer ends either way.
void SendTftpError(UdpSocket& socket, const Ipv4Endpoint& to, std::string_view text);

// A new socket for the transfer of `request`; when none can be made, sends
// "SOCKET error!" from the listening socket and gives null.
std::unique_ptr<UdpSocket> OpenTransferSocket(HostServices& host, const TransferRequest& request);

// Binds `socket` to the first port from `first_port` upward that can be had;
// after 65535 comes 0, the system's choice. Returns once bound.
void BindTransferPort(UdpSocket& socket, std::uint16_t first_port);

// Waits until a reply can be read. Each silent wait of `timeout_us` doubles
// it, in place and for good, until a wait of `last_timeout_us` or more has
// passed in silence: TimedOut. Failed when the wait itself fails.
WaitResult WaitForReply(UdpSocket& socket, std::uint32_t& timeout_us, std::uint32_t last_timeout_us);

}  // namespace mirbo
