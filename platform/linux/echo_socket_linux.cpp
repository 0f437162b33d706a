#include "platform/linux/echo_socket_linux.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace mirbo {
namespace {

constexpr std::size_t kIpv4HeaderSize = 20;
constexpr std::size_t kIdentifierOffset = 4;
constexpr std::size_t kMaxIcmpMessage = 65536;

class LinuxEchoSocket : public EchoSocket {
 public:
  explicit LinuxEchoSocket(int fd) : fd_(fd) {}
  ~LinuxEchoSocket() override { close(fd_); }
  LinuxEchoSocket(const LinuxEchoSocket&) = delete;
  LinuxEchoSocket& operator=(const LinuxEchoSocket&) = delete;

  int SendTo(const std::uint8_t* message, std::size_t size, std::uint32_t address) override {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    ssize_t sent;
    do {
      sent = sendto(fd_, message, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (sent < 0 && errno == EINTR);
    if (sent > 0 && size > kIdentifierOffset + 1)
      std::memcpy(sent_identifier_, message + kIdentifierOffset, 2);
    return static_cast<int>(sent);
  }

  WaitResult WaitReadable(std::uint32_t timeout_us) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::microseconds(timeout_us);
    for (;;) {
      const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
      const timespec wait{static_cast<time_t>(seconds.count()),
                          static_cast<long>(std::chrono::nanoseconds(left - seconds).count())};
      pollfd entry{fd_, POLLIN, 0};
      const int ready = ppoll(&entry, 1, &wait, nullptr);
      if (ready > 0) return WaitResult::Ready;
      if (ready == 0) return WaitResult::TimedOut;
      if (errno != EINTR) return WaitResult::Failed;
    }
  }

 protected:
  int fd_;
  std::uint8_t sent_identifier_[2] = {};
};

// A raw socket gives the datagram as it came, IPv4 header first.
class RawEchoSocket final : public LinuxEchoSocket {
 public:
  using LinuxEchoSocket::LinuxEchoSocket;

  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    ssize_t received;
    do {
      received = recv(fd_, buffer, capacity, 0);
    } while (received < 0 && errno == EINTR);
    return static_cast<int>(received);
  }
};

// A ping socket gives only answers to its own requests, as bare ICMP
// messages whose identifier the kernel chose. It is handed on as a raw
// socket would give it: behind an IPv4 header of its own, with the
// identifier that was sent.
class PingEchoSocket final : public LinuxEchoSocket {
 public:
  using LinuxEchoSocket::LinuxEchoSocket;

  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    ssize_t received;
    do {
      received = recvfrom(fd_, message_, sizeof message_, 0, reinterpret_cast<sockaddr*>(&from),
                          &from_length);
    } while (received < 0 && errno == EINTR);
    if (received < 0) return -1;
    const std::size_t size = static_cast<std::size_t>(received);
    if (size > kIdentifierOffset + 1) std::memcpy(message_ + kIdentifierOffset, sent_identifier_, 2);
    std::uint8_t datagram[kIpv4HeaderSize] = {};
    WriteHeader(datagram, kIpv4HeaderSize + size, from.sin_addr.s_addr);
    const std::size_t header_copied = std::min(capacity, kIpv4HeaderSize);
    std::memcpy(buffer, datagram, header_copied);
    const std::size_t message_copied = std::min(capacity - header_copied, size);
    std::memcpy(buffer + header_copied, message_, message_copied);
    return static_cast<int>(header_copied + message_copied);
  }

 private:
  static void WriteHeader(std::uint8_t* header, std::size_t total, std::uint32_t source) {
    header[0] = 0x45;  // version 4, five 32-bit words
    header[2] = static_cast<std::uint8_t>(total >> 8);
    header[3] = static_cast<std::uint8_t>(total);
    header[8] = 64;  // time to live, unknown here
    header[9] = IPPROTO_ICMP;
    std::memcpy(header + 12, &source, 4);
  }

  std::uint8_t message_[kMaxIcmpMessage];
};

}  // namespace

std::unique_ptr<EchoSocket> OpenLinuxEchoSocket() {
  const int raw = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (raw >= 0) return std::make_unique<RawEchoSocket>(raw);
  // EPERM, EACCES: this process lacks CAP_NET_RAW (neither root nor given the
  // file capability). The ping socket may still be allowed to its group.
  // Any other error (EMFILE, ENFILE, ENOBUFS, no IPv4 or ICMP at all) would
  // strike a ping socket as well.
  if (errno != EPERM && errno != EACCES) return nullptr;
  const int ping = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  // EACCES: the process's group is outside net.ipv4.ping_group_range (by
  // default "1 0", nobody); EPROTONOSUPPORT, EAFNOSUPPORT: a kernel built
  // without ping sockets. Either way no probe can be sent.
  if (ping < 0) return nullptr;
  return std::make_unique<PingEchoSocket>(ping);
}

}  // namespace mirbo
