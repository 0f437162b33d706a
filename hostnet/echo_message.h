#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace mirbo {

inline constexpr std::size_t kEchoRequestSize = 40;
inline constexpr std::size_t kEchoAnswerBufferSize = 128;

using EchoRequest = std::array<std::uint8_t, kEchoRequestSize>;

// The echo request to the router: type 8, the low 16 bits of `process_id` as
// identifier and the number 1 as sequence, both low byte first, 32 letters
// a..z a..f as data, and the checksum over all of it.
EchoRequest BuildEchoRequest(std::uint32_t process_id);

// True when `datagram` (IPv4 header first, as received into a cleared buffer
// of kEchoAnswerBufferSize bytes) carries the request's two identifier bytes
// where an ICMP message behind that header has its identifier. Nothing else
// of it is compared.
bool IsEchoAnswer(const std::array<std::uint8_t, kEchoAnswerBufferSize>& datagram,
                  const EchoRequest& request);

}  // namespace mirbo
