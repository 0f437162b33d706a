#include "platform/linux/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostnet/address_commands.h"

namespace mirbo {
namespace {

constexpr std::uint32_t Ip(int a, int b, int c, int d) {
  return static_cast<std::uint32_t>(a << 24 | b << 16 | c << 8 | d);
}

TEST(AddressLine, ReadsTheLinesTheAddressCommandsMakeWhateverTheName) {
  for (const std::string name : {"eth0", "Local Area Connection 2", "My \"fast\" port", "\""}) {
    SCOPED_TRACE(name);
    const AddressLine boot_loader =
        ParseAddressLine(AddressCommandLine(AddressCommand::BootLoaderAddress, name));
    EXPECT_EQ(boot_loader.kind, AddressLineKind::Static);
    EXPECT_EQ(boot_loader.connection, name);
    EXPECT_EQ(boot_loader.setting.address, Ip(192, 168, 1, 88));
    EXPECT_EQ(boot_loader.setting.prefix_length, 24);
    EXPECT_EQ(boot_loader.setting.gateway, Ip(192, 168, 1, 1));
    EXPECT_EQ(boot_loader.setting.metric, 1u);

    const AddressLine router = ParseAddressLine(AddressCommandLine(AddressCommand::RouterAddress, name));
    EXPECT_EQ(router.kind, AddressLineKind::Static);
    EXPECT_EQ(router.connection, name);
    EXPECT_EQ(router.setting.address, Ip(192, 168, 199, 88));
    EXPECT_EQ(router.setting.gateway, Ip(192, 168, 1, 1));

    const AddressLine dhcp = ParseAddressLine(AddressCommandLine(AddressCommand::DhcpAddress, name));
    EXPECT_EQ(dhcp.kind, AddressLineKind::Dhcp);
    EXPECT_EQ(dhcp.connection, name);
  }
}

struct LineCase {
  std::string line;
  AddressLineKind kind;
};

TEST(AddressLine, RefusesWhatTheNetworkShellWouldRefuseAndLeavesOtherLinesAlone) {
  const std::vector<LineCase> cases = {
      {"netsh interface ip set address \"eth0\" static 10.0.0.2 255.0.255.0 10.0.0.1 1",
       AddressLineKind::Malformed},
      {"netsh interface ip set address \"eth0\" static 10.0.0.256 255.0.0.0 10.0.0.1 1",
       AddressLineKind::Malformed},
      {"netsh interface ip set address \"eth0\" static 10.0.0.2 255.0.0.0 10.0.0.1 one",
       AddressLineKind::Malformed},
      {"netsh interface ip set address \"eth0\" static 10.0.0.2 255.0.0.0 10.0.0.1",
       AddressLineKind::Malformed},
      {"netsh interface ip set address \"eth0\" static 10.0.0.2 255.0.0.0 10.0.0.1 1 2",
       AddressLineKind::Malformed},
      {"netsh interface ip set address \"eth0\" static 10.0.0.2 0.0.0.0 10.0.0.1 1",
       AddressLineKind::Static},
      {"netsh interface ip set address \"eth0\" dhcp now", AddressLineKind::Malformed},
      {"netsh interface ip set address \"\" dhcp", AddressLineKind::Malformed},
      {"netsh interface ip set address \"eth0 dhcp", AddressLineKind::Malformed},
      {"netsh interface ip set address eth0 dhcp", AddressLineKind::Other},
      {"ip link set eth0 up", AddressLineKind::Other},
      {"", AddressLineKind::Other},
  };
  for (const LineCase& c : cases) EXPECT_EQ(ParseAddressLine(c.line).kind, c.kind) << c.line;
}

TEST(CommandWords, SplitAtBlanksOutsideDoubleQuotes) {
  EXPECT_EQ(SplitCommandWords("sh -c \"exit 3\""), (std::vector<std::string>{"sh", "-c", "exit 3"}));
  EXPECT_EQ(SplitCommandWords("  a\t b  "), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitCommandWords("a \"\" b"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitCommandWords("x\"y z\"w"), (std::vector<std::string>{"xy zw"}));
  EXPECT_TRUE(SplitCommandWords("").empty());
}

}  // namespace
}  // namespace mirbo
