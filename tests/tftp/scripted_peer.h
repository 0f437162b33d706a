#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/udp_socket.h"

namespace mirbo {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kLoopback = 0x7F000001;

// How long a test waits for the service before it calls the service silent.
inline constexpr std::chrono::milliseconds kPatience{10'000};

struct Datagram {
  Bytes bytes;
  Ipv4Endpoint from;
};

// A TFTP peer played by the test: a UDP socket on loopback that sends what
// the test scripts and hands over what it receives.
class ScriptedPeer {
 public:
  ScriptedPeer();

  // Where the service reaches this peer.
  Ipv4Endpoint Address() const;

  void SendTo(const Ipv4Endpoint& to, const Bytes& bytes);

  // Sends to the sender of the last datagram received (the transfer port).
  void Reply(const Bytes& bytes);

  // The next datagram, or nothing within `limit`.
  std::optional<Datagram> Receive(std::chrono::milliseconds limit = kPatience);

  // True when a datagram is queued right now. Loopback delivers at once, so
  // once the service's threads have ended this tells whether anything more came.
  bool HasPending();

 private:
  std::unique_ptr<UdpSocket> socket_;
  Ipv4Endpoint last_sender_;
};

// Packets as a peer writes them: opcode, a 16-bit field, `data`.
Bytes Packet(std::uint16_t opcode, std::uint16_t field, const Bytes& data = {});
// A request with its name and the mode "octet".
Bytes Request(std::uint16_t opcode, std::string_view name);
// The ERROR packet a service should send for `text`.
Bytes ErrorBytes(std::string_view text);

std::uint16_t OpcodeOf(const Datagram& datagram);
std::uint16_t BlockOf(const Datagram& datagram);
// The text of an ERROR packet, or a note saying what came instead.
std::string ErrorTextOf(const std::optional<Datagram>& datagram);

// `size` bytes that differ from block to block.
Bytes PatternBytes(std::size_t size, std::uint8_t seed = 0);

// A UDP port nobody holds at the moment of asking, never one the system
// hands out for port 0; with `pair`, the next port is free too.
std::uint16_t FreeUdpPort(bool pair = false);

}  // namespace mirbo
