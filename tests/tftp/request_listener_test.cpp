#include "tftp/request_listener.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "platform/linux/posix_udp_socket.h"
#include "tests/tftp/scratch_directory.h"
#include "tests/tftp/scripted_peer.h"
#include "tests/tftp/service_harness.h"

namespace mirbo {
namespace {

const std::string kInstructions =
    "请使用网线连接电脑的以太网口和Mirbo的一个黄色网口\n"
    "请使用尖锐物按住RST按钮不松开再将Mirbo电源插上...\n";
const std::string kBindFailed = "出现错误，请关闭其它TFTP工具！\n";

bool PortIsTaken(std::uint16_t port) { return !OpenPosixUdpSocket()->Bind(port); }

// Plays the client of `count` read requests of the harness's 100-byte image,
// in whatever order their first blocks come; gives the transfers' ports.
std::set<std::uint16_t> FetchSmallImages(ScriptedPeer& peer, int count) {
  std::set<std::uint16_t> ports;
  for (int i = 0; i < count; ++i) {
    const auto data = peer.Receive();
    if (!data || OpcodeOf(*data) != 3 || BlockOf(*data) != 1 || data->bytes.size() != 104) {
      ADD_FAILURE() << "expected DATA 1 of the image, got " << ErrorTextOf(data);
      return ports;
    }
    ports.insert(data->from.port);
    peer.Reply(Packet(4, 1));
  }
  return ports;
}

TEST(RequestListener, TellsTheOperatorHowToStartTheRouterOnlyAfterThePauseAndTheBind) {
  ServiceHarness harness;
  bool paused_first = false;
  bool bound_first = false;
  harness.output.SetObserver([&](std::string_view) {
    if (paused_first || bound_first) return;
    const auto calls = harness.host.Calls();
    paused_first = std::find(calls.begin(), calls.end(), "Pause(5000)") != calls.end();
    bound_first = PortIsTaken(harness.service.settings.listener_port);
  });
  ASSERT_TRUE(harness.StartListener());
  harness.Finish();
  EXPECT_TRUE(paused_first);
  EXPECT_TRUE(bound_first);
  EXPECT_EQ(harness.output.Text(), kInstructions);
}

TEST(RequestListener, WithItsPortTakenSaysSoAfterThePauseAndGivesNoInstructions) {
  ServiceHarness harness;
  const auto holder = OpenPosixUdpSocket();
  ASSERT_TRUE(holder->Bind(harness.service.settings.listener_port));
  RequestListener(harness.service);
  EXPECT_EQ(harness.output.Text(), kBindFailed);
  EXPECT_EQ(harness.host.Calls(), std::vector<std::string>{"Pause(5000)"});
}

TEST(RequestListener, WithoutASocketEndsWithoutAWord) {
  ServiceHarness harness;
  harness.host.fail_udp_socket = true;
  RequestListener(harness.service);
  EXPECT_EQ(harness.output.Text(), "");
  EXPECT_EQ(harness.host.Calls(), std::vector<std::string>{});
}

TEST(RequestListener, StartsAnImageTransferOnlyForAReadRequestOfAtMost514Bytes) {
  Bytes no_zero{0, 1};
  no_zero.resize(514, 'n');
  Bytes too_long = no_zero;
  too_long.push_back('n');
  const struct {
    const char* what;
    Bytes datagram;
    bool served;
  } cases[] = {
      {"a read request of 514 bytes without a zero", no_zero, true},
      {"a read request with an empty name", Request(1, ""), true},
      {"a read request of 515 bytes", too_long, false},
      {"DATA", Packet(3, 1, PatternBytes(10)), false},
      {"an ACK", Packet(4, 1), false},
      {"an ERROR", ErrorBytes("nothing"), false},
      {"opcode 0", Packet(0, 1), false},
      {"opcode 6", Packet(6, 1), false},
      {"a single byte", Bytes{1}, false},
      {"a zero-length datagram", Bytes{}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ServiceHarness harness;
    ASSERT_TRUE(harness.StartListener());
    ScriptedPeer peer;
    peer.SendTo(harness.ListenerAddress(), c.datagram);
    peer.SendTo(harness.ListenerAddress(), Request(1, "after"));
    FetchSmallImages(peer, c.served ? 2 : 1);
    harness.Finish();
    EXPECT_FALSE(peer.HasPending()) << "the listener answered, or started one transfer too many";
    EXPECT_EQ(harness.finish_calls, c.served ? 2 : 1);
  }
}

TEST(RequestListener, RunsTwoTransfersAtOnceOnTheFirstPortAndTheNextEachForItsOwnClient) {
  ServiceHarness harness;
  ASSERT_TRUE(harness.StartListener());
  ScriptedPeer first, second;
  first.SendTo(harness.ListenerAddress(), Request(1, "a"));
  const auto first_data = first.Receive();
  second.SendTo(harness.ListenerAddress(), Request(1, "b"));
  const auto second_data = second.Receive();
  ASSERT_TRUE(first_data && second_data);
  EXPECT_EQ(first_data->from.port, harness.service.settings.first_transfer_port);
  EXPECT_EQ(second_data->from.port, harness.service.settings.first_transfer_port + 1);

  second.Reply(Packet(4, 1));
  first.Reply(Packet(4, 1));
  harness.Finish();
  EXPECT_EQ(first_data->bytes, Packet(3, 1, harness.image));
  EXPECT_EQ(second_data->bytes, first_data->bytes);
  EXPECT_FALSE(first.HasPending());
  EXPECT_FALSE(second.HasPending());
  EXPECT_EQ(harness.finish_calls, 2);
}

TEST(RequestListener, StartsTheUploadReceiverForAWriteRequestWithItsName) {
  ScratchDirectory scratch;
  ServiceHarness harness;
  ASSERT_TRUE(harness.StartListener());
  ScriptedPeer peer;
  peer.SendTo(harness.ListenerAddress(), Request(2, "stored.bin"));
  const auto ack = peer.Receive();
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->bytes, Packet(4, 0));
  EXPECT_NE(ack->from.port, harness.service.settings.listener_port);
  peer.Reply(Packet(3, 1, Bytes{'h', 'i'}));
  EXPECT_EQ(peer.Receive().value_or(Datagram{}).bytes, Packet(4, 1));
  harness.Finish();
  EXPECT_EQ(ScratchDirectory::Contents("stored.bin"), "hi");
  EXPECT_EQ(harness.output.Text(), kInstructions);
}

TEST(RequestListener, TransfersWithoutASocketAnswerFromTheListeningPort) {
  ScratchDirectory scratch;
  ServiceHarness harness;
  // Switched on by the listener's own thread once its socket exists, so only
  // the transfers it starts afterwards find no socket.
  harness.output.SetObserver([&](std::string_view) { harness.host.fail_udp_socket = true; });
  ASSERT_TRUE(harness.StartListener());
  for (const std::uint16_t opcode : {1, 2}) {
    SCOPED_TRACE(opcode == 1 ? "read request" : "write request");
    ScriptedPeer peer;
    peer.SendTo(harness.ListenerAddress(), Request(opcode, "x"));
    const auto error = peer.Receive();
    EXPECT_EQ(ErrorTextOf(error), "SOCKET error!");
    EXPECT_EQ(error.value_or(Datagram{}).from.port, harness.service.settings.listener_port);
  }
  harness.Finish();
  EXPECT_EQ(harness.output.Text(), kInstructions);
  EXPECT_TRUE(ScratchDirectory::Listing(scratch.work()).empty());
}

}  // namespace
}  // namespace mirbo
