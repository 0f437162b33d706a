#pragma once

#include <cstddef>
#include <cstdint>

namespace mirbo {

// The Internet checksum of RFC 1071 over `length` bytes. The byte pairs are
// added in the machine's own order, so the result, stored back in that same
// order (memcpy), is right on the wire on any machine.
std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t length);

}  // namespace mirbo
