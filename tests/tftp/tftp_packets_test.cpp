#include "tftp/tftp_packets.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/tftp/scripted_peer.h"

namespace mirbo {
namespace {

TEST(TftpPackets, AckErrorPacketIsFifteenBytes) {
  const Bytes expected{0, 5, 0, 0, 'A', 'c', 'k', ' ', 'e', 'r', 'r', 'o', 'r', '!', 0};
  EXPECT_EQ(ErrorPacket("Ack error!"), expected);
}

TEST(TftpPackets, BlockCountsGoOnTheWireAsTheirLowSixteenBits) {
  const struct {
    std::uint32_t block;
    std::uint8_t high, low;
  } cases[] = {{0, 0x00, 0x00}, {1, 0x00, 0x01}, {0x1234, 0x12, 0x34}, {65535, 0xFF, 0xFF}, {65536, 0x00, 0x00}};
  for (const auto& c : cases) {
    const auto ack = AckPacket(c.block);
    EXPECT_EQ(Bytes(ack.begin(), ack.end()), (Bytes{0, 4, c.high, c.low}))
        << "ACK of block " << c.block;
    std::uint8_t header[4] = {};
    WriteDataHeader(header, c.block);
    EXPECT_EQ(Bytes(header, header + 4), (Bytes{0, 3, c.high, c.low})) << "DATA of block " << c.block;
  }
}

TEST(TftpPackets, OpcodeAndBlockNumberAreReadBigEndian) {
  const std::uint8_t ack[] = {0x00, 0x04, 0xAB, 0xCD};
  EXPECT_EQ(ReadOpcode(ack), Opcode::Ack);
  EXPECT_EQ(ReadBlockNumber(ack), 0xABCD);
  const std::uint8_t unknown[] = {0x01, 0x00, 0, 0};
  EXPECT_EQ(static_cast<std::uint16_t>(ReadOpcode(unknown)), 0x0100);
}

TEST(TftpPackets, RequestNameEndsAtTheFirstZeroOrAtTheEndOfTheDatagram) {
  Bytes full_size{0, 1};
  full_size.resize(514, 'n');
  const struct {
    const char* what;
    Bytes request;
    std::string name;
  } cases[] = {
      {"name and mode", Request(1, "firmware.bin"), "firmware.bin"},
      {"empty name", Request(1, ""), ""},
      {"opcode only", Bytes{0, 1}, ""},
      {"no zero byte", Bytes{0, 2, 'a', 'b', 'c'}, "abc"},
      {"514 bytes without a zero", full_size, std::string(512, 'n')},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReadRequestName(c.request.data(), c.request.size()), c.name) << c.what;
}

}  // namespace
}  // namespace mirbo
