#include "hostnet/echo_message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostnet/internet_checksum.h"

namespace mirbo {
namespace {

TEST(EchoRequest, CarriesTheProcessIdLowByteFirstAndTheLettersAsData) {
  const EchoRequest request = BuildEchoRequest(0xabcd1234);
  EXPECT_EQ(request[0], 8);  // echo request
  EXPECT_EQ(request[1], 0);
  EXPECT_EQ(request[4], 0x34);
  EXPECT_EQ(request[5], 0x12);
  EXPECT_EQ(request[6], 0x01);
  EXPECT_EQ(request[7], 0x00);
  EXPECT_EQ(std::string(request.begin() + 8, request.end()), "abcdefghijklmnopqrstuvwxyzabcdef");
}

TEST(EchoRequest, ChecksumVerifiesToZeroOverTheWholeMessage) {
  for (const std::uint32_t process_id : {0x1234u, 0u, 0xffffu, 4194303u}) {
    const EchoRequest request = BuildEchoRequest(process_id);
    EXPECT_EQ(InternetChecksum(request.data(), request.size()), 0) << process_id;
  }
}

struct AnswerCase {
  const char* what;
  std::uint32_t process_id;
  std::vector<std::uint8_t> datagram;
  bool matches;
};

std::vector<std::uint8_t> Datagram(int header_words, std::uint8_t type, std::uint8_t id_low,
                                   std::uint8_t id_high) {
  std::vector<std::uint8_t> datagram(static_cast<std::size_t>(header_words) * 4, 0);
  datagram[0] = static_cast<std::uint8_t>(0x40 | header_words);
  datagram[9] = 1;
  const std::vector<std::uint8_t> icmp = {type, 0, 0xaa, 0xbb, id_low, id_high, 0x01, 0x00};
  datagram.insert(datagram.end(), icmp.begin(), icmp.end());
  return datagram;
}

TEST(EchoAnswer, IsKnownByTheIdentifierBytesBehindTheIpv4Header) {
  const std::vector<AnswerCase> cases = {
      {"reply with the sent bytes", 0x1234, Datagram(5, 0, 0x34, 0x12), true},
      {"bytes in the other order", 0x1234, Datagram(5, 0, 0x12, 0x34), false},
      {"another identifier", 0x1234, Datagram(5, 0, 0x99, 0x12), false},
      {"header with options", 0x1234, Datagram(6, 0, 0x34, 0x12), true},
      {"longest header", 0x1234, Datagram(15, 0, 0x34, 0x12), true},
      {"any ICMP type counts", 0x1234, Datagram(5, 3, 0x34, 0x12), true},
      {"short datagram reads zeros", 0x10000, {0x45, 0, 0, 8}, true},
      {"short datagram, other identifier", 0x1234, {0x45, 0, 0, 8}, false},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::array<std::uint8_t, kEchoAnswerBufferSize> buffer{};
    std::copy(c.datagram.begin(), c.datagram.end(), buffer.begin());
    EXPECT_EQ(IsEchoAnswer(buffer, BuildEchoRequest(c.process_id)), c.matches);
  }
}

}  // namespace
}  // namespace mirbo
