#include "hostnet/address_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_host_services.h"

namespace mirbo {
namespace {

constexpr char kConfiguring[] = "正在配置本机IP地址信息，请稍候...\n";
constexpr char kFailedInside[] = "网络设置未成功，请以管理员权限运行本工具并确认所选网卡存在。\n";

struct LineCase {
  AddressCommand command;
  std::string name;
  std::string line;
};

TEST(RunAddressCommand, HandsTheSystemTheCommandLineByteForByte) {
  const std::vector<LineCase> cases = {
      {AddressCommand::BootLoaderAddress, "Local Area Connection 2",
       "netsh interface ip set address \"Local Area Connection 2\" static 192.168.1.88 "
       "255.255.255.0 192.168.1.1 1"},
      {AddressCommand::RouterAddress, "Local Area Connection 2",
       "netsh interface ip set address \"Local Area Connection 2\" static 192.168.199.88 "
       "255.255.255.0 192.168.1.1 1"},
      {AddressCommand::DhcpAddress, "Local Area Connection 2",
       "netsh interface ip set address \"Local Area Connection 2\" dhcp"},
      {AddressCommand::BootLoaderAddress, "My \"fast\" port",
       "netsh interface ip set address \"My \"fast\" port\" static 192.168.1.88 "
       "255.255.255.0 192.168.1.1 1"},
      {AddressCommand::RouterAddress, "My \"fast\" port",
       "netsh interface ip set address \"My \"fast\" port\" static 192.168.199.88 "
       "255.255.255.0 192.168.1.1 1"},
      {AddressCommand::DhcpAddress, "My \"fast\" port",
       "netsh interface ip set address \"My \"fast\" port\" dhcp"},
      {AddressCommand::DhcpAddress, "以太网", "netsh interface ip set address \"以太网\" dhcp"},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.line);
    FakeHostServices host;
    OutputLog output;
    EXPECT_TRUE(RunAddressCommand(host, output, c.command, c.name));
    EXPECT_EQ(host.Calls(), std::vector<std::string>{"RunHiddenCommand(" + c.line + ")"});
  }
}

struct TextCase {
  AddressCommand command;
  CommandResult result;
  bool answer;
  std::string output;
};

TEST(RunAddressCommand, TellsTheOperatorWhatBecameOfTheCommand) {
  const std::vector<TextCase> cases = {
      {AddressCommand::BootLoaderAddress, CommandResult::Succeeded, true, kConfiguring},
      {AddressCommand::RouterAddress, CommandResult::Succeeded, true, ""},
      {AddressCommand::DhcpAddress, CommandResult::Succeeded, true, ""},
      {AddressCommand::BootLoaderAddress, CommandResult::NotStarted, false,
       std::string(kConfiguring) + "设置错误，请重试，或与版主反馈！\n"},
      {AddressCommand::RouterAddress, CommandResult::NotStarted, false,
       "设置地址错误，请与版主反馈！\n"},
      {AddressCommand::DhcpAddress, CommandResult::NotStarted, false,
       "还原设置错误，请与版主反馈！\n"},
      {AddressCommand::BootLoaderAddress, CommandResult::Failed, true,
       std::string(kConfiguring) + kFailedInside},
      {AddressCommand::RouterAddress, CommandResult::Failed, true, kFailedInside},
      {AddressCommand::DhcpAddress, CommandResult::Failed, true, kFailedInside},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.command) * 10 + static_cast<int>(c.result));
    FakeHostServices host;
    host.command_result = c.result;
    OutputLog output;
    EXPECT_EQ(RunAddressCommand(host, output, c.command, "eth0"), c.answer);
    EXPECT_EQ(output.Text(), c.output);
  }
}

TEST(RunAddressCommand, AnnouncesTheBootLoaderCommandBeforeRunningIt) {
  FakeHostServices host;
  OutputLog output;
  std::size_t commands_run_when_announced = 1;
  output.SetObserver([&](std::string_view) { commands_run_when_announced = host.Calls().size(); });
  RunAddressCommand(host, output, AddressCommand::BootLoaderAddress, "eth0");
  EXPECT_EQ(commands_run_when_announced, 0u);
}

}  // namespace
}  // namespace mirbo
