#include "tests/tftp/scripted_peer.h"

#include <random>
#include <stdexcept>

#include "platform/linux/posix_udp_socket.h"

namespace mirbo {

ScriptedPeer::ScriptedPeer() : socket_(OpenPosixUdpSocket()) {
  if (!socket_ || !socket_->Bind(0)) throw std::runtime_error("scripted peer has no socket");
}

Ipv4Endpoint ScriptedPeer::Address() const { return {kLoopback, socket_->LocalPort()}; }

void ScriptedPeer::SendTo(const Ipv4Endpoint& to, const Bytes& bytes) {
  socket_->SendTo(bytes.data(), bytes.size(), to);
}

void ScriptedPeer::Reply(const Bytes& bytes) { SendTo(last_sender_, bytes); }

std::optional<Datagram> ScriptedPeer::Receive(std::chrono::milliseconds limit) {
  const auto limit_us = std::chrono::duration_cast<std::chrono::microseconds>(limit).count();
  if (socket_->WaitReadable(static_cast<std::uint32_t>(limit_us)) != WaitResult::Ready) return {};
  Datagram datagram{Bytes(65536), {}};
  const int size = socket_->ReceiveFrom(datagram.bytes.data(), datagram.bytes.size(), &datagram.from);
  if (size < 0) return {};
  datagram.bytes.resize(static_cast<std::size_t>(size));
  last_sender_ = datagram.from;
  return datagram;
}

bool ScriptedPeer::HasPending() { return socket_->WaitReadable(0) == WaitResult::Ready; }

Bytes Packet(std::uint16_t opcode, std::uint16_t field, const Bytes& data) {
  Bytes packet{static_cast<std::uint8_t>(opcode >> 8), static_cast<std::uint8_t>(opcode),
               static_cast<std::uint8_t>(field >> 8), static_cast<std::uint8_t>(field)};
  packet.insert(packet.end(), data.begin(), data.end());
  return packet;
}

Bytes Request(std::uint16_t opcode, std::string_view name) {
  Bytes packet{0, static_cast<std::uint8_t>(opcode)};
  packet.insert(packet.end(), name.begin(), name.end());
  const std::string_view mode("\0octet\0", 7);
  packet.insert(packet.end(), mode.begin(), mode.end());
  return packet;
}

Bytes ErrorBytes(std::string_view text) {
  Bytes packet = Packet(5, 0, Bytes(text.begin(), text.end()));
  packet.push_back(0);
  return packet;
}

std::uint16_t OpcodeOf(const Datagram& datagram) {
  if (datagram.bytes.size() < 2) return 0xFFFF;
  return static_cast<std::uint16_t>(datagram.bytes[0] << 8 | datagram.bytes[1]);
}

std::uint16_t BlockOf(const Datagram& datagram) {
  if (datagram.bytes.size() < 4) return 0xFFFF;
  return static_cast<std::uint16_t>(datagram.bytes[2] << 8 | datagram.bytes[3]);
}

std::string ErrorTextOf(const std::optional<Datagram>& datagram) {
  if (!datagram) return "<nothing came>";
  const Bytes& bytes = datagram->bytes;
  if (OpcodeOf(*datagram) != 5 || BlockOf(*datagram) != 0 || bytes.back() != 0)
    return "<not an ERROR packet: opcode " + std::to_string(OpcodeOf(*datagram)) + ">";
  return std::string(bytes.begin() + 4, bytes.end() - 1);
}

Bytes PatternBytes(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9) * 13 + seed);
  return bytes;
}

std::uint16_t FreeUdpPort(bool pair) {
  // Below the system's range for port 0 (32768 up), so that no socket bound
  // to port 0 meanwhile, here or in a test running beside, can take it.
  static std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> below_ephemeral(10'000, 32'000);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const auto port = static_cast<std::uint16_t>(below_ephemeral(random));
    const auto probe = OpenPosixUdpSocket();
    const auto next = OpenPosixUdpSocket();
    if (probe && probe->Bind(port) && (!pair || (next && next->Bind(port + 1)))) return port;
  }
  throw std::runtime_error("no free UDP port");
}

}  // namespace mirbo
