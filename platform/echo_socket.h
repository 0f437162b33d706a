#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/udp_socket.h"

namespace mirbo {

// A socket for ICMP echo over IPv4, closed when destroyed.
class EchoSocket {
 public:
  virtual ~EchoSocket() = default;

  // Sends one whole ICMP message to `address` (host byte order).
  // Returns the bytes sent, or -1.
  virtual int SendTo(const std::uint8_t* message, std::size_t size, std::uint32_t address) = 0;

  // Waits at most `timeout_us` microseconds until a datagram can be read.
  virtual WaitResult WaitReadable(std::uint32_t timeout_us) = 0;

  // Takes one datagram as a raw socket gives it, IPv4 header first, copying
  // at most `capacity` bytes. Returns the bytes copied, or -1. Where the
  // kernel owns the echo identifier (ping sockets), it has already matched
  // the answer, and the identifier bytes that were sent are put back.
  virtual int Receive(std::uint8_t* buffer, std::size_t capacity) = 0;
};

}  // namespace mirbo
