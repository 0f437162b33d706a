#pragma once

#include <memory>

#include "platform/udp_socket.h"

namespace mirbo {

// A UDP socket over IPv4 on the POSIX socket API; null when none can be made.
std::unique_ptr<UdpSocket> OpenPosixUdpSocket();

}  // namespace mirbo
