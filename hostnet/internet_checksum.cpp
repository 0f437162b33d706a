#include "hostnet/internet_checksum.h"

#include <cstring>

namespace mirbo {

std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t length) {
  std::uint32_t sum = 0;
  for (; length > 1; data += 2, length -= 2) {
    std::uint16_t pair;
    std::memcpy(&pair, data, 2);
    sum += pair;
  }
  if (length == 1) {
    const std::uint8_t last[2] = {data[0], 0};  // an odd byte is paired with a zero
    std::uint16_t pair;
    std::memcpy(&pair, last, 2);
    sum += pair;
  }
  sum = (sum >> 16) + (sum & 0xffff);  // fold the carries back in
  sum += sum >> 16;                    // and the carry of that fold
  return static_cast<std::uint16_t>(~sum);
}

}  // namespace mirbo
