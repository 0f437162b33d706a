#include "recovery/recovery_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "hostnet/address_commands.h"
#include "tests/fakes/fake_host_services.h"
#include "tests/fakes/fake_router.h"
#include "tests/tftp/scripted_peer.h"
#include "tests/tftp/service_harness.h"
#include "tftp/tftp_texts.h"

namespace mirbo {
namespace {

constexpr char kConfiguring[] = "正在配置本机IP地址信息，请稍候...\n";
constexpr char kOnlyOneAdapter[] = "仅有一块可用网卡，即将自动选择此网卡。\n";
constexpr char kWrongChoice[] = "输入错误，请重新选择！\n";
constexpr char kBootLoaderNotStarted[] = "设置错误，请重试，或与版主反馈！\n";
constexpr char kRouterNotStarted[] = "设置地址错误，请与版主反馈！\n";
constexpr char kPoweringUp[] = "\n上电初始化中";
constexpr char kSuccess[] = "\n固件恢复成功！\n";

RecoverySettings FastSettings() {
  RecoverySettings settings;
  settings.tftp = TestSettings();
  settings.echo_wait_us = 1'000;
  settings.probe_pause_ms = 0;
  return settings;
}

std::string CommandCall(AddressCommand command, const std::string& name) {
  return "RunHiddenCommand(" + AddressCommandLine(command, name) + ")";
}

// A recovery over the fake host, with `count` listed connections named
// "以太网 1" to "以太网 <count>". Its listeners are stopped and every thread
// it started is joined when it goes.
struct RecoveryBench {
  explicit RecoveryBench(int count) {
    host.image = {image.data(), static_cast<std::uint32_t>(image.size())};
    host.echo_socket_factory = router.Factory();
    state.adapters.count = count;
    for (int number = 1; number <= count; ++number) {
      const std::string name = "以太网 " + std::to_string(number);
      std::memcpy(state.adapters.names[number].data(), name.c_str(), name.size() + 1);
    }
  }

  ~RecoveryBench() {
    recovery.StopListeners();
    host.JoinThreads();
  }

  // The host calls that change the PC or take the image, in order.
  std::vector<std::string> Steps() const {
    std::vector<std::string> steps;
    for (const std::string& call : host.Calls()) {
      if (call.starts_with("RunHiddenCommand") || call.starts_with("LoadFirmwareImage")) steps.push_back(call);
    }
    return steps;
  }

  bool WaitForOutput(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (output.Text().find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  // Plays the boot loader: asks the listener for any name and acknowledges
  // every block up to the short last one.
  Bytes FetchImage() {
    ScriptedPeer peer;
    peer.SendTo({kLoopback, settings.tftp.listener_port}, Request(1, "recovery.bin"));
    Bytes received;
    for (;;) {
      const std::optional<Datagram> data = peer.Receive();
      if (!data || OpcodeOf(*data) != 3) return received;
      received.insert(received.end(), data->bytes.begin() + 4, data->bytes.end());
      peer.Reply(Packet(4, BlockOf(*data)));
      if (data->bytes.size() < 516) return received;
    }
  }

  Bytes image = PatternBytes(1000);
  FakeHostServices host;
  FakeRouter router;
  OutputLog output;
  RecoveryState state;
  const RecoverySettings settings = FastSettings();
  RecoverySequence recovery{host, output, state, settings};
};

TEST(Recovery, CarriesTheRouterThroughTheWholeRecoveryOnTheConnectionChosenAtTheStart) {
  RecoveryBench bench(3);
  bench.router.answers = [](int probe) { return probe > 2 && probe != 13; };  // two dots, then one
  bench.state.selection = 2;
  bench.recovery.ChooseAdapter();
  ASSERT_TRUE(bench.WaitForOutput(kPowerInstructionText));
  EXPECT_EQ(bench.state.image.data, bench.image.data());
  EXPECT_EQ(bench.state.image.size, bench.image.size());

  // Numbers typed while the router is flashed must not move the closing steps.
  bench.state.selection = 3;
  bench.state.selection = INT_MAX;
  EXPECT_EQ(bench.FetchImage(), bench.image);
  ASSERT_TRUE(bench.WaitForOutput(kSuccess));

  EXPECT_EQ(bench.output.Text(), std::string(kConfiguring) + kCableInstructionText + kPowerInstructionText +
                                     kReleaseButtonText + kStartSendingText + kFlashingText + ".." +
                                     kPoweringUp + "." + kSuccess);
  EXPECT_EQ(bench.Steps(), (std::vector<std::string>{CommandCall(AddressCommand::BootLoaderAddress, "以太网 2"),
                                                     "LoadFirmwareImage()",
                                                     CommandCall(AddressCommand::RouterAddress, "以太网 2"),
                                                     CommandCall(AddressCommand::DhcpAddress, "以太网 2")}));
  EXPECT_EQ(bench.router.probes, 23);
}

TEST(Recovery, StartsByItselfOnlyWhenExactlyOneConnectionIsListed) {
  for (int count : {0, 1, 2}) {
    SCOPED_TRACE(count);
    RecoveryBench bench(count);
    bench.host.fail_thread_start = true;  // the listener is not this test's business

    bench.recovery.AutoStart();

    if (count == 1) {
      EXPECT_EQ(bench.output.Text(), std::string(kOnlyOneAdapter) + kConfiguring);
      EXPECT_EQ(bench.Steps().front(), CommandCall(AddressCommand::BootLoaderAddress, "以太网 1"));
    } else {
      EXPECT_EQ(bench.output.Text(), "");
      EXPECT_TRUE(bench.host.Calls().empty());
    }
  }
}

TEST(Recovery, AcceptsOnlyNumbersOfListedConnections) {
  const struct {
    int count;
    std::int32_t selection;
    bool accepted;
  } cases[] = {{3, INT_MIN, false}, {3, -1, false}, {3, 0, false}, {3, 1, true}, {3, 3, true},
               {3, 4, false},       {3, INT_MAX, false}, {0, 1, false}, {0, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.selection << " of " << c.count);
    RecoveryBench bench(c.count);
    bench.host.fail_thread_start = true;
    bench.state.selection = c.selection;

    bench.recovery.ChooseAdapter();

    if (c.accepted) {
      EXPECT_EQ(bench.output.Text(), kConfiguring);
      EXPECT_EQ(bench.Steps().front(),
                CommandCall(AddressCommand::BootLoaderAddress, "以太网 " + std::to_string(c.selection)));
    } else {
      EXPECT_EQ(bench.output.Text(), kWrongChoice);
      EXPECT_TRUE(bench.host.Calls().empty());
    }
  }
}

TEST(Recovery, StartGoesAsFarAsItsStepsAllow) {
  const std::string command = CommandCall(AddressCommand::BootLoaderAddress, "以太网 1");
  const struct {
    const char* what;
    CommandResult command;
    bool image;
    std::vector<std::string> steps;
    std::string text;
    bool listens;
  } cases[] = {
      {"command cannot start", CommandResult::NotStarted, true, {command},
       std::string(kConfiguring) + kBootLoaderNotStarted, false},
      {"no image in the program", CommandResult::Succeeded, false, {command, "LoadFirmwareImage()"},
       kConfiguring, false},
      {"command ran but failed", CommandResult::Failed, true, {command, "LoadFirmwareImage()"},
       std::string(kConfiguring) + "网络设置未成功，请以管理员权限运行本工具并确认所选网卡存在。\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecoveryBench bench(1);
    bench.host.command_result = c.command;
    if (!c.image) bench.host.image = {};

    bench.recovery.StartRecovery();

    if (c.listens) {
      ASSERT_TRUE(bench.WaitForOutput(kPowerInstructionText));
      EXPECT_EQ(bench.output.Text(), c.text + kCableInstructionText + kPowerInstructionText);
    } else {
      EXPECT_EQ(bench.output.Text(), c.text);
      EXPECT_EQ(bench.state.image.size, 0u);
    }
    EXPECT_EQ(bench.Steps(), c.steps);
  }
}

TEST(Recovery, ClosingStepsStopWhenTheRouterAddressCannotBeSet) {
  RecoveryBench bench(1);
  bench.host.command_result = CommandResult::NotStarted;

  bench.recovery.FinishRecovery("以太网 1");

  EXPECT_EQ(bench.output.Text(), kRouterNotStarted);
  EXPECT_EQ(bench.Steps(), std::vector<std::string>{CommandCall(AddressCommand::RouterAddress, "以太网 1")});
  EXPECT_EQ(bench.router.probes, 0);
}

TEST(Recovery, ASecondStartFindsThePortTakenAndTheFirstListenerServesOn) {
  RecoveryBench bench(2);
  bench.state.selection = 1;
  bench.recovery.ChooseAdapter();
  ASSERT_TRUE(bench.WaitForOutput(kPowerInstructionText));
  bench.state.selection = 2;
  bench.recovery.ChooseAdapter();
  ASSERT_TRUE(bench.WaitForOutput(kBindFailedText));

  EXPECT_EQ(bench.FetchImage(), bench.image);
  ASSERT_TRUE(bench.WaitForOutput(kSuccess));
  const std::vector<std::string> steps = bench.Steps();
  EXPECT_EQ(std::vector<std::string>(steps.end() - 2, steps.end()),
            (std::vector<std::string>{CommandCall(AddressCommand::RouterAddress, "以太网 1"),
                                      CommandCall(AddressCommand::DhcpAddress, "以太网 1")}));
}

}  // namespace
}  // namespace mirbo
