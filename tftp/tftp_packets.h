#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mirbo {

// RFC 1350 opcodes. A packet may carry any 16-bit value; those outside the
// enumeration name nothing.
enum class Opcode : std::uint16_t { ReadRequest = 1, WriteRequest, Data, Ack, Error };

inline constexpr std::size_t kHeaderSize = 4;          // opcode and block number
inline constexpr std::size_t kBlockSize = 512;         // data bytes of a full block
inline constexpr std::size_t kMaxDataPacket = kHeaderSize + kBlockSize;
inline constexpr std::size_t kMaxRequest = 2 + kBlockSize;  // opcode and a 512-byte name

// The opcode in the first two bytes of `packet` (big-endian).
Opcode ReadOpcode(const std::uint8_t* packet);

// The block number in bytes 2-3 of `packet` (big-endian).
std::uint16_t ReadBlockNumber(const std::uint8_t* packet);

// The requested name of a request of `size` bytes: from offset 2 up to the
// first zero byte, or to the end of the datagram when there is none.
std::string ReadRequestName(const std::uint8_t* request, std::size_t size);

// Writes the DATA header for `block` into the first four bytes of `packet`;
// only the low 16 bits of the block count go on the wire.
void WriteDataHeader(std::uint8_t* packet, std::uint32_t block);

// The 4-byte acknowledgement of `block` (low 16 bits).
std::array<std::uint8_t, kHeaderSize> AckPacket(std::uint32_t block);

// An ERROR packet: opcode 5, error code 0, `text`, a zero byte.
std::vector<std::uint8_t> ErrorPacket(std::string_view text);

}  // namespace mirbo
