#include "hostnet/internet_checksum.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace mirbo {
namespace {

// The checksum as it goes on the wire: stored in the order it was computed.
std::array<std::uint8_t, 2> StoredChecksum(const std::vector<std::uint8_t>& data) {
  const std::uint16_t checksum = InternetChecksum(data.data(), data.size());
  std::array<std::uint8_t, 2> bytes;
  std::memcpy(bytes.data(), &checksum, 2);
  return bytes;
}

struct ChecksumCase {
  std::vector<std::uint8_t> data;
  std::array<std::uint8_t, 2> checksum;
};

TEST(InternetChecksum, GivesTheWireBytesOfRfc1071WhateverTheLength) {
  const std::vector<ChecksumCase> cases = {
      // RFC 1071's worked example: the sum is dd f2, its complement 22 0d.
      {{0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7}, {0x22, 0x0d}},
      // An odd last byte is paired with a zero after it.
      {{0x00, 0x01, 0xf2}, {0x0d, 0xfe}},
      {{0x01}, {0xfe, 0xff}},
      // Sums whose fold carries again, in either byte order.
      {{0xff, 0xff, 0xff, 0xff, 0x01, 0x00}, {0xfe, 0xff}},
      {{0xff, 0xff, 0xff, 0xff, 0x00, 0x01}, {0xff, 0xfe}},
      {{}, {0xff, 0xff}},
  };
  for (const ChecksumCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.data));
    EXPECT_EQ(StoredChecksum(c.data), c.checksum);
  }
}

}  // namespace
}  // namespace mirbo
