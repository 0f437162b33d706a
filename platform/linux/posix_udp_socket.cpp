#include "platform/linux/posix_udp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <sys/time.h>

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

  // The wait is a blocking receive with a receive timeout: the datagram it
  // takes is kept for ReceiveFrom. Each block of a transfer then costs one
  // system call less than a poll before the receive; the timeout is set only
  // when it changes.
  WaitResult WaitReadable(std::optional<std::uint32_t> timeout_us) override {
    if (held_) return WaitResult::Ready;
    // A zero timeout asks only whether a datagram is there.
    const bool just_look = timeout_us && *timeout_us == 0;
    if (!just_look && !SetReceiveTimeout(timeout_us.value_or(0))) return WaitResult::Failed;
    const auto deadline = Clock::now() + std::chrono::microseconds(timeout_us.value_or(0));
    for (;;) {
      socklen_t length = sizeof held_from_;
      held_length_ = recvfrom(fd_, held_.emplace().data(), kHeldCapacity,
                              MSG_TRUNC | (just_look ? MSG_DONTWAIT : 0),
                              reinterpret_cast<sockaddr*>(&held_from_), &length);
      if (held_length_ >= 0) return WaitResult::Ready;
      const int error = errno;
      held_.reset();
      if (error == EAGAIN || error == EWOULDBLOCK) return WaitResult::TimedOut;
      if (error != EINTR) {
        // A pending socket error is what the receive would have met: keep it for ReceiveFrom.
        held_.emplace();
        return WaitResult::Ready;
      }
      if (timeout_us) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (just_look || left.count() <= 0) return WaitResult::TimedOut;
        if (!SetReceiveTimeout(static_cast<std::uint32_t>(left.count()))) return WaitResult::Failed;
      }
    }
  }

  int ReceiveFrom(std::uint8_t* buffer, std::size_t capacity, Ipv4Endpoint* from) override {
    if (!held_ && WaitReadable(std::nullopt) != WaitResult::Ready) return -1;
    const ssize_t length = held_length_;
    if (length >= 0) {
      std::memcpy(buffer, held_->data(), std::min<std::size_t>(capacity, std::min<std::size_t>(length, kHeldCapacity)));
      if (from) *from = {ntohl(held_from_.sin_addr.s_addr), ntohs(held_from_.sin_port)};
    }
    held_.reset();
    return static_cast<int>(length);
  }

 private:
  using Clock = std::chrono::steady_clock;
  // Larger than any datagram a transfer takes whole; longer ones still report their length.
  static constexpr std::size_t kHeldCapacity = 1024;

  bool SetReceiveTimeout(std::uint32_t timeout_us) {
    if (timeout_us == receive_timeout_us_) return true;
    timeval value{static_cast<time_t>(timeout_us / 1'000'000),
                  static_cast<suseconds_t>(timeout_us % 1'000'000)};
    if (setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value) != 0) return false;
    receive_timeout_us_ = timeout_us;
    return true;
  }

  int fd_;
  std::uint16_t local_port_ = 0;
  std::uint32_t receive_timeout_us_ = 0;  // as SO_RCVTIMEO has it: 0 is no limit, the start state
  std::optional<std::array<std::uint8_t, kHeldCapacity>> held_;
  ssize_t held_length_ = -1;
  sockaddr_in held_from_{};
};

}  // namespace

std::unique_ptr<UdpSocket> OpenPosixUdpSocket() {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixUdpSocket>(fd);
}

}  // namespace mirbo
