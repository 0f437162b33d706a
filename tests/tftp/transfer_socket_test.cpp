#include "tftp/transfer_socket.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/posix_udp_socket.h"
#include "tests/tftp/scripted_peer.h"

namespace mirbo {
namespace {

constexpr auto kSilent = WaitResult::TimedOut;
constexpr auto kReady = WaitResult::Ready;
constexpr auto kBroken = WaitResult::Failed;

// A socket whose waits answer from a script and record their timeouts.
class ScriptedWaitSocket final : public UdpSocket {
 public:
  explicit ScriptedWaitSocket(std::vector<WaitResult> script) : script_(std::move(script)) {}

  WaitResult WaitReadable(std::optional<std::uint32_t> timeout_us) override {
    waits.push_back(timeout_us.value_or(0));
    return waits.size() <= script_.size() ? script_[waits.size() - 1] : kReady;
  }
  bool Bind(std::uint16_t) override { return false; }
  std::uint16_t LocalPort() const override { return 0; }
  int SendTo(const std::uint8_t*, std::size_t, const Ipv4Endpoint&) override { return -1; }
  int ReceiveFrom(std::uint8_t*, std::size_t, Ipv4Endpoint*) override { return -1; }

  std::vector<std::uint32_t> waits;

 private:
  std::vector<WaitResult> script_;
};

TEST(WaitForReply, DoublesTheTimeoutAfterEachSilentWaitAndKeepsItDoubled) {
  constexpr std::uint32_t s = 1'000'000;
  const struct {
    const char* what;
    std::uint32_t start_us;
    std::vector<WaitResult> script;
    std::vector<std::uint32_t> waits;
    WaitResult outcome;
    std::uint32_t timeout_after;
  } cases[] = {
      {"silence gives up after the 32 s wait", s, {kSilent, kSilent, kSilent, kSilent, kSilent, kSilent},
       {s, 2 * s, 4 * s, 8 * s, 16 * s, 32 * s}, kSilent, 32 * s},
      {"a reply at once", s, {kReady}, {s}, kReady, s},
      {"a reply after two silent waits", s, {kSilent, kSilent, kReady}, {s, 2 * s, 4 * s}, kReady, 4 * s},
      {"a later wait starts where the last left off", 4 * s, {kSilent, kReady}, {4 * s, 8 * s}, kReady, 8 * s},
      {"a failed wait", s, {kSilent, kBroken}, {s, 2 * s}, kBroken, 2 * s},
  };
  for (const auto& c : cases) {
    ScriptedWaitSocket socket(c.script);
    std::uint32_t timeout = c.start_us;
    EXPECT_EQ(WaitForReply(socket, timeout, 32 * s), c.outcome) << c.what;
    EXPECT_EQ(socket.waits, c.waits) << c.what;
    EXPECT_EQ(timeout, c.timeout_after) << c.what;
  }
}

TEST(BindTransferPort, TakesTheFirstPortOrTheNextFreeOne) {
  const std::uint16_t first = FreeUdpPort(/*pair=*/true);
  const auto alone = OpenPosixUdpSocket();
  BindTransferPort(*alone, first);
  EXPECT_EQ(alone->LocalPort(), first);

  const auto second = OpenPosixUdpSocket();
  BindTransferPort(*second, first);
  EXPECT_EQ(second->LocalPort(), first + 1);
}

TEST(BindTransferPort, AfterTheLastPortLetsTheSystemChoose) {
  const auto holder = OpenPosixUdpSocket();
  if (!holder->Bind(65535)) GTEST_SKIP() << "port 65535 is held by someone else";
  const auto socket = OpenPosixUdpSocket();
  BindTransferPort(*socket, 65535);
  EXPECT_NE(socket->LocalPort(), 65535);
  EXPECT_GE(socket->LocalPort(), 1024) << "ports from 1 upward were tried instead of the system's choice";
}

}  // namespace
}  // namespace mirbo
