#include "tests/fakes/fake_router.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace mirbo {
namespace {

class FakeEchoSocket final : public EchoSocket {
 public:
  explicit FakeEchoSocket(FakeRouter& router) : router_(router) {}

  int SendTo(const std::uint8_t* message, std::size_t size, std::uint32_t address) override {
    if (router_.fail_send) return -1;
    const int probe = ++router_.probes;
    router_.requests.emplace_back(message, message + size);
    router_.destinations.push_back(address);
    for (const auto& datagram : router_.foreign) pending_.push_back(datagram);
    if (router_.answers(probe)) pending_.push_back(ReplyTo(router_.requests.back()));
    return static_cast<int>(size);
  }

  WaitResult WaitReadable(std::uint32_t timeout_us) override {
    router_.waits_us.push_back(timeout_us);
    return pending_.empty() ? WaitResult::TimedOut : WaitResult::Ready;
  }

  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    if (pending_.empty()) return -1;
    const FakeRouter::Datagram datagram = pending_.front();
    pending_.pop_front();
    const std::size_t copied = std::min(capacity, datagram.size());
    if (copied > 0) std::memcpy(buffer, datagram.data(), copied);
    return static_cast<int>(copied);
  }

 private:
  static FakeRouter::Datagram ReplyTo(FakeRouter::Datagram request) {
    request[0] = 0;  // echo reply; the rest comes back as it was sent
    return FakeRouter::WithIpv4Header(request);
  }

  FakeRouter& router_;
  std::deque<FakeRouter::Datagram> pending_;
};

}  // namespace

void FakeRouter::AnswerAfter(int silent) {
  answers = [silent](int probe) { return probe > silent; };
}

std::function<std::unique_ptr<EchoSocket>()> FakeRouter::Factory() {
  return [this]() -> std::unique_ptr<EchoSocket> {
    if (refused_opens > 0) {
      --refused_opens;
      return nullptr;
    }
    return std::make_unique<FakeEchoSocket>(*this);
  };
}

FakeRouter::Datagram FakeRouter::WithIpv4Header(const Datagram& icmp, int header_words) {
  Datagram datagram(static_cast<std::size_t>(header_words) * 4, 0);
  datagram[0] = static_cast<std::uint8_t>(0x40 | header_words);
  const std::size_t total = datagram.size() + icmp.size();
  datagram[2] = static_cast<std::uint8_t>(total >> 8);
  datagram[3] = static_cast<std::uint8_t>(total);
  datagram[8] = 64;  // time to live
  datagram[9] = 1;   // ICMP
  const std::uint8_t source[4] = {192, 168, 199, 1};
  std::memcpy(&datagram[12], source, 4);
  datagram.insert(datagram.end(), icmp.begin(), icmp.end());
  return datagram;
}

}  // namespace mirbo
