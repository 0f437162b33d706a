#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace mirbo {

// An IPv4 address and UDP port, both in host byte order.
struct Ipv4Endpoint {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  friend bool operator==(const Ipv4Endpoint&, const Ipv4Endpoint&) = default;
};

enum class WaitResult { Ready, Failed, TimedOut };

// One UDP socket over IPv4, closed when destroyed. Sends from any thread
// may overlap a wait or receive on another thread.
class UdpSocket {
 public:
  virtual ~UdpSocket() = default;

  // Binds to all local IPv4 addresses at `port` (0: a free port the system
  // picks). False when the port cannot be had.
  virtual bool Bind(std::uint16_t port) = 0;

  // The bound local port, 0 when not bound.
  virtual std::uint16_t LocalPort() const = 0;

  // Sends one datagram to `to`. Returns the bytes sent, or -1.
  virtual int SendTo(const std::uint8_t* data, std::size_t size, const Ipv4Endpoint& to) = 0;

  // Waits until a datagram can be read: for at most `timeout_us`
  // microseconds, or without limit when it is empty.
  virtual WaitResult WaitReadable(std::optional<std::uint32_t> timeout_us) = 0;

  // Takes one datagram, copying at most `capacity` bytes of it into
  // `buffer`. Returns the datagram's whole length, which is larger than
  // `capacity` when it was cut, or -1 when the receive failed.
  virtual int ReceiveFrom(std::uint8_t* buffer, std::size_t capacity, Ipv4Endpoint* from) = 0;
};

}  // namespace mirbo
