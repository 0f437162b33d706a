#include "hostnet/router_wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hostnet/echo_message.h"
#include "tests/fakes/fake_host_services.h"
#include "tests/fakes/fake_router.h"

namespace mirbo {
namespace {

class RouterWait : public testing::Test {
 protected:
  RouterWait() { host_.echo_socket_factory = router_.Factory(); }

  std::string Wait() {
    WaitForRouter(host_, output_);
    return output_.Text();
  }

  long CallsOf(const std::string& call) const {
    const std::vector<std::string> calls = host_.Calls();
    return std::count(calls.begin(), calls.end(), call);
  }

  FakeHostServices host_;
  FakeRouter router_;
  OutputLog output_;
};

TEST_F(RouterWait, ReturnsAfterTenAnswersWithoutADotWhenTheRouterAnswersAtOnce) {
  EXPECT_EQ(Wait(), "");
  EXPECT_EQ(router_.probes, 10);
  EXPECT_EQ(CallsOf("OpenEchoSocket()"), 10);
  EXPECT_EQ(CallsOf("Pause(1000)"), 0);
}

TEST_F(RouterWait, PausesASecondAndAppendsADotAfterEverySilentProbe) {
  router_.AnswerAfter(8);
  EXPECT_EQ(Wait(), "........");
  EXPECT_EQ(router_.probes, 18);
  std::vector<std::string> expected;
  for (int i = 0; i < 8; ++i) expected.insert(expected.end(), {"OpenEchoSocket()", "Pause(1000)"});
  expected.insert(expected.end(), 10, "OpenEchoSocket()");
  EXPECT_EQ(host_.Calls(), expected);
  EXPECT_TRUE(std::all_of(router_.waits_us.begin(), router_.waits_us.end(),
                          [](std::uint32_t wait) { return wait == 300'000; }));
}

TEST_F(RouterWait, AppendsEachDotOnlyAfterItsPause) {
  router_.AnswerAfter(1);
  long pauses_at_dot = -1;
  output_.SetObserver([&](std::string_view) { pauses_at_dot = CallsOf("Pause(1000)"); });
  Wait();
  EXPECT_EQ(pauses_at_dot, 1);
}

TEST_F(RouterWait, KeepsTheAnswersCountedAcrossASilentProbe) {
  router_.answers = [](int probe) { return probe != 3 && probe != 7; };
  EXPECT_EQ(Wait(), "..");
  EXPECT_EQ(router_.probes, 12);
}

TEST_F(RouterWait, CountsAProbeWhoseSocketWasRefusedAsSilent) {
  router_.refused_opens = 3;
  EXPECT_EQ(Wait(), "...");
  EXPECT_EQ(CallsOf("OpenEchoSocket()"), 13);
}

TEST_F(RouterWait, IgnoresIcmpWithOtherIdentifierBytesAndWaitsAfreshForEach) {
  FakeRouter::Datagram other = {0, 0, 0, 0, 0x99, 0x12, 1, 0};
  router_.foreign = {FakeRouter::WithIpv4Header(other), FakeRouter::WithIpv4Header(other)};
  router_.AnswerAfter(2);
  EXPECT_EQ(Wait(), "..");
  // The silent probes each waited once per foreign datagram and once more in vain.
  EXPECT_EQ(router_.waits_us.size(), 2u * 3u + 10u * 3u);
}

TEST(ProbeRouter, SendsTheEchoRequestToTheRouterAndTakesItsAnswer) {
  FakeHostServices host;
  FakeRouter router;
  host.echo_socket_factory = router.Factory();
  host.process_id = 0x51234;
  EXPECT_TRUE(ProbeRouter(host));
  ASSERT_EQ(router.requests.size(), 1u);
  const EchoRequest expected = BuildEchoRequest(0x51234);
  EXPECT_EQ(router.requests[0], FakeRouter::Datagram(expected.begin(), expected.end()));
  EXPECT_EQ(router.destinations[0], 0xC0A8C701u);
}

TEST(ProbeRouter, WaitsAgainAfterAReceiveThatGaveNothing) {
  FakeHostServices host;
  FakeRouter router;
  host.echo_socket_factory = router.Factory();
  router.foreign = {{}};
  EXPECT_TRUE(ProbeRouter(host));
  EXPECT_EQ(router.waits_us.size(), 2u);
}

TEST(ProbeRouter, FailsWithoutWaitingWhenTheRequestCannotBeSent) {
  FakeHostServices host;
  FakeRouter router;
  host.echo_socket_factory = router.Factory();
  router.fail_send = true;
  EXPECT_FALSE(ProbeRouter(host));
  EXPECT_TRUE(router.waits_us.empty());
}

TEST(ProbeRouter, TakesTheGivenWaitForEveryPass) {
  FakeHostServices host;
  FakeRouter router;
  host.echo_socket_factory = router.Factory();
  router.foreign = {{}};
  router.answers = [](int) { return false; };
  EXPECT_FALSE(ProbeRouter(host, 20'000));
  EXPECT_EQ(router.waits_us, (std::vector<std::uint32_t>{20'000, 20'000}));
}

}  // namespace
}  // namespace mirbo
