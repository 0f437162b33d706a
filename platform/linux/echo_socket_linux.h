#pragma once

#include <memory>

#include "platform/echo_socket.h"

namespace mirbo {

// A raw ICMP socket; where the host refuses one to this process, an ICMP
// datagram ("ping") socket; null when neither can be had.
std::unique_ptr<EchoSocket> OpenLinuxEchoSocket();

}  // namespace mirbo
