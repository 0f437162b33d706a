#include "platform/linux/posix_udp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace mirbo {
namespace {

sockaddr_in ToSockaddr(const Ipv4Endpoint& endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(endpoint.address);
  address.sin_port = htons(endpoint.port);
  return address;
}

class PosixUdpSocket final : public UdpSocket {
 public:
  explicit PosixUdpSocket(int fd) : fd_(fd) {}
  ~PosixUdpSocket() override { close(fd_); }

  bool Bind(std::uint16_t port) override {
    const sockaddr_in address = ToSockaddr({INADDR_ANY, port});
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &length) == 0)
      local_port_ = ntohs(bound.sin_port);
    return true;
  }

  std::uint16_t LocalPort() const override { return local_port_; }

  int SendTo(const std::uint8_t* data, std::size_t size, const Ipv4Endpoint& to) override {
    const sockaddr_in address = ToSockaddr(to);
    ssize_t sent;
    do {
      sent = sendto(fd_, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
                    sizeof address);
    } while (sent < 0 && errno == EINTR);
    return static_cast<int>(sent);
  }

  WaitResult WaitReadable(std::optional<std::uint32_t> timeout_us) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::microseconds(timeout_us.value_or(0));
    for (;;) {
      int timeout_ms = -1;
      if (timeout_us) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        timeout_ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
      }
      pollfd entry{fd_, POLLIN, 0};
      const int ready = poll(&entry, 1, timeout_ms);
      if (ready > 0) return WaitResult::Ready;
      if (ready == 0) return WaitResult::TimedOut;
      if (errno != EINTR) return WaitResult::Failed;
    }
  }

  int ReceiveFrom(std::uint8_t* buffer, std::size_t capacity, Ipv4Endpoint* from) override {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ssize_t received;
    do {
      // MSG_TRUNC gives the datagram's real length, so callers can tell a cut one.
      received = recvfrom(fd_, buffer, capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(&address),
                          &length);
    } while (received < 0 && errno == EINTR);
    if (received >= 0 && from) *from = {ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
    return static_cast<int>(received);
  }

 private:
  int fd_;
  std::uint16_t local_port_ = 0;
};

}  // namespace

std::unique_ptr<UdpSocket> OpenPosixUdpSocket() {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixUdpSocket>(fd);
}

}  // namespace mirbo
