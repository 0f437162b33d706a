#include "hostnet/echo_message.h"

#include <cstring>

#include "hostnet/internet_checksum.h"

namespace mirbo {
namespace {

constexpr std::uint8_t kEchoRequestType = 8;
constexpr std::size_t kChecksumOffset = 2;
constexpr std::size_t kIdentifierOffset = 4;
constexpr std::size_t kSequenceOffset = 6;
constexpr std::size_t kDataOffset = 8;

}  // namespace

EchoRequest BuildEchoRequest(std::uint32_t process_id) {
  EchoRequest request{};
  request[0] = kEchoRequestType;
  request[kIdentifierOffset] = static_cast<std::uint8_t>(process_id);
  request[kIdentifierOffset + 1] = static_cast<std::uint8_t>(process_id >> 8);
  request[kSequenceOffset] = 1;
  for (std::size_t i = 0; i + kDataOffset < kEchoRequestSize; ++i)
    request[kDataOffset + i] = static_cast<std::uint8_t>('a' + i % 26);
  const std::uint16_t checksum = InternetChecksum(request.data(), request.size());
  std::memcpy(&request[kChecksumOffset], &checksum, sizeof checksum);
  return request;
}

bool IsEchoAnswer(const std::array<std::uint8_t, kEchoAnswerBufferSize>& datagram,
                  const EchoRequest& request) {
  // At most 15 * 4 + 5 = 65: always inside the buffer.
  const std::size_t offset = (datagram[0] & 0x0fu) * 4u + kIdentifierOffset;
  return datagram[offset] == request[kIdentifierOffset] &&
         datagram[offset + 1] == request[kIdentifierOffset + 1];
}

}  // namespace mirbo
