#include "tftp/tftp_packets.h"

#include <algorithm>

namespace mirbo {
namespace {

std::uint16_t ReadField(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

void WriteField(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value >> 8);
  bytes[1] = static_cast<std::uint8_t>(value);
}

}  // namespace

Opcode ReadOpcode(const std::uint8_t* packet) { return static_cast<Opcode>(ReadField(packet)); }

std::uint16_t ReadBlockNumber(const std::uint8_t* packet) { return ReadField(packet + 2); }

std::string ReadRequestName(const std::uint8_t* request, std::size_t size) {
  if (size <= 2) return {};
  const std::uint8_t* end = std::find(request + 2, request + size, 0);
  return std::string(request + 2, end);
}

void WriteDataHeader(std::uint8_t* packet, std::uint32_t block) {
  WriteField(packet, static_cast<std::uint16_t>(Opcode::Data));
  WriteField(packet + 2, static_cast<std::uint16_t>(block));
}

std::array<std::uint8_t, kHeaderSize> AckPacket(std::uint32_t block) {
  std::array<std::uint8_t, kHeaderSize> packet{};
  WriteField(packet.data(), static_cast<std::uint16_t>(Opcode::Ack));
  WriteField(packet.data() + 2, static_cast<std::uint16_t>(block));
  return packet;
}

std::vector<std::uint8_t> ErrorPacket(std::string_view text) {
  std::vector<std::uint8_t> packet(kHeaderSize + text.size() + 1, 0);
  WriteField(packet.data(), static_cast<std::uint16_t>(Opcode::Error));
  std::copy(text.begin(), text.end(), packet.begin() + kHeaderSize);
  return packet;
}

}  // namespace mirbo
