// The Linux host services for real, run by netns_host_services_test.sh inside
// the 'pc' network namespace it makes, joined by a cable (a veth pair) to a
// 'router' namespace. Run anywhere else, every test skips.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "console/output_log.h"
#include "hostnet/adapter_discovery.h"
#include "hostnet/address_commands.h"
#include "hostnet/echo_message.h"
#include "hostnet/router_wait.h"
#include "platform/host_services.h"

namespace mirbo {
namespace {

using namespace std::chrono_literals;

constexpr char kConfiguring[] = "正在配置本机IP地址信息，请稍候...\n";
constexpr char kFailedInside[] = "网络设置未成功，请以管理员权限运行本工具并确认所选网卡存在。\n";
constexpr std::uint32_t kShortPauseMs = 100;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The driver names the namespace it made; the tests run only inside it, so
// they never touch this machine's own network.
bool InTestNamespace() {
  struct stat own {};
  return !Env("MIRBO_NETNS_PC_INODE").empty() && stat("/proc/self/ns/net", &own) == 0 &&
         std::to_string(own.st_ino) == Env("MIRBO_NETNS_PC_INODE");
}

std::string PcInterface() { return Env("MIRBO_NETNS_PC_IF"); }

// Output of a shell command, one entry per line.
std::vector<std::string> Lines(const std::string& command) {
  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return lines;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    lines.push_back(text);
  }
  pclose(pipe);
  return lines;
}

void InRouter(const std::string& command) {
  const std::string line =
      "ip netns exec " + Env("MIRBO_NETNS_ROUTER") + " " + command + " >/dev/null 2>&1";
  std::system(line.c_str());
}

std::vector<std::string> Addresses() {
  return Lines("ip -4 -o addr show dev " + PcInterface() + " | awk '{print $4}'");
}

std::vector<std::string> DefaultRoutes() {
  return Lines("ip -4 route show default dev " + PcInterface());
}

// Polls `done` every 100 ms for at most `bound`.
bool Eventually(const std::function<bool()>& done, std::chrono::seconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(100ms);
  }
  return true;
}

// Counts what passes through the echo sockets of the real host services.
struct EchoTraffic {
  std::atomic<int> sent{0};
  std::atomic<int> received{0};
};

class CountingEchoSocket final : public EchoSocket {
 public:
  CountingEchoSocket(std::unique_ptr<EchoSocket> socket, EchoTraffic& traffic)
      : socket_(std::move(socket)), traffic_(traffic) {}

  int SendTo(const std::uint8_t* message, std::size_t size, std::uint32_t address) override {
    const int sent = socket_->SendTo(message, size, address);
    if (sent > 0) ++traffic_.sent;
    return sent;
  }
  WaitResult WaitReadable(std::uint32_t timeout_us) override { return socket_->WaitReadable(timeout_us); }
  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    const int received = socket_->Receive(buffer, capacity);
    if (received > 0) ++traffic_.received;
    return received;
  }

 private:
  std::unique_ptr<EchoSocket> socket_;
  EchoTraffic& traffic_;
};

// The real host services, with their echo sockets counted and, if asked, a
// process id of the test's choosing.
class CountedHost final : public HostServices {
 public:
  std::unique_ptr<HostServices> real = MakeHostServices();
  EchoTraffic traffic;
  std::uint32_t process_id = static_cast<std::uint32_t>(getpid());

  std::uint32_t ListAdapters(AdapterRecord* records, std::uint32_t* count) override {
    return real->ListAdapters(records, count);
  }
  bool ReadConnectionName(const std::string& id, std::string* name) override {
    return real->ReadConnectionName(id, name);
  }
  CommandResult RunHiddenCommand(const std::string& line) override { return real->RunHiddenCommand(line); }
  bool LoadFirmwareImage(FirmwareImage* image) override { return real->LoadFirmwareImage(image); }
  bool ReadVersionDescription(std::string* text) override { return real->ReadVersionDescription(text); }
  std::uint32_t ProcessId() override { return process_id; }
  void Pause(std::uint32_t milliseconds) override { real->Pause(milliseconds); }
  bool StartThread(std::function<void()> body) override { return real->StartThread(std::move(body)); }
  std::unique_ptr<UdpSocket> OpenUdpSocket() override { return real->OpenUdpSocket(); }
  std::unique_ptr<EchoSocket> OpenEchoSocket() override {
    std::unique_ptr<EchoSocket> socket = real->OpenEchoSocket();
    if (!socket) return nullptr;
    return std::make_unique<CountingEchoSocket>(std::move(socket), traffic);
  }
  std::unique_ptr<UploadFile> CreateUploadFile(const std::string& name) override {
    return real->CreateUploadFile(name);
  }
};

bool RawSocketAllowed() {
  const int fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  if (fd < 0) return false;
  close(fd);
  return true;
}

int Dots(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '.')); }

// WaitForRouter on its own thread; a wait that outlives `bound` fails the
// test run at once rather than hang it.
void WaitForRouterWithin(CountedHost& host, OutputLog& output, std::chrono::seconds bound,
                         const std::function<void()>& meanwhile = [] {}) {
  auto done = std::async(std::launch::async,
                         [&] { WaitForRouter(host, output, kEchoWaitUs, kShortPauseMs); });
  meanwhile();
  if (done.wait_for(bound) != std::future_status::ready) {
    ADD_FAILURE() << "WaitForRouter still waiting after " << bound.count() << " s: " << output.Text();
    std::fflush(nullptr);
    std::_Exit(1);
  }
}

class LinuxHostServicesInNamespace : public testing::Test {
 protected:
  void SetUp() override {
    if (!InTestNamespace()) GTEST_SKIP() << "runs only inside the namespaces of netns_host_services_test.sh";
  }

  std::string Run(AddressCommand command, const std::string& name) {
    OutputLog output;
    EXPECT_TRUE(RunAddressCommand(host_, output, command, name));
    return output.Text();
  }

  CountedHost host_;
};

TEST_F(LinuxHostServicesInNamespace, ListsTheWiredInterfaceWithItsFirstAddressAndSkipsLoopback) {
  std::system(("ip addr flush dev " + PcInterface() + " && ip addr add 10.1.2.3/24 dev " +
               PcInterface() + " && ip addr add 10.1.2.4/24 dev " + PcInterface())
                  .c_str());
  OutputLog output;
  AdapterTable table;
  EXPECT_TRUE(DiscoverAdapters(host_, output, table));
  EXPECT_EQ(output.Text(), "当前可用网卡如下，请正确选择所使用的网卡：\n\t1: " + PcInterface() +
                               " (10.1.2.3)\n");
  EXPECT_EQ(table.count, 1);

  std::vector<AdapterRecord> records(8);
  std::uint32_t count = 8;
  ASSERT_EQ(host_.ListAdapters(records.data(), &count), kListAdaptersOk);
  ASSERT_EQ(count, 2u);
  EXPECT_STREQ(records[0].adapter_id, "lo");
  EXPECT_NE(records[0].type, kAdapterTypeEthernet);
  EXPECT_EQ(records[1].adapter_id, PcInterface());
  EXPECT_EQ(records[1].type, kAdapterTypeEthernet);
  count = 1;
  EXPECT_EQ(host_.ListAdapters(records.data(), &count), kListAdaptersBufferTooSmall);
  EXPECT_EQ(count, 2u);
}

TEST_F(LinuxHostServicesInNamespace, BootLoaderLineLeavesExactlyItsAddressAndOnLinkRoute) {
  std::system(("ip addr add 10.9.9.9/8 dev " + PcInterface() + " 2>/dev/null; ip route replace default via 10.9.9.1 dev " +
               PcInterface())
                  .c_str());
  EXPECT_EQ(Run(AddressCommand::BootLoaderAddress, PcInterface()), kConfiguring);
  EXPECT_EQ(Addresses(), std::vector<std::string>{"192.168.1.88/24"});
  EXPECT_EQ(DefaultRoutes(),
            std::vector<std::string>{"default via 192.168.1.1 proto static metric 1 onlink"});
}

TEST_F(LinuxHostServicesInNamespace, RouterLineLeavesExactlyItsAddressWithTheBootLoadersGateway) {
  Run(AddressCommand::BootLoaderAddress, PcInterface());
  EXPECT_EQ(Run(AddressCommand::RouterAddress, PcInterface()), "");
  EXPECT_EQ(Addresses(), std::vector<std::string>{"192.168.199.88/24"});
  EXPECT_EQ(DefaultRoutes(),
            std::vector<std::string>{"default via 192.168.1.1 proto static metric 1 onlink"});
}

// The boot-loader line runs before the router is powered up, with the cable dark.
TEST_F(LinuxHostServicesInNamespace, StaticLinesTakeHoldWhileTheCableIsDark) {
  InRouter("ip link set " + Env("MIRBO_NETNS_ROUTER_IF") + " down");
  EXPECT_EQ(Run(AddressCommand::BootLoaderAddress, PcInterface()), kConfiguring);
  EXPECT_EQ(Addresses(), std::vector<std::string>{"192.168.1.88/24"});
  EXPECT_EQ(DefaultRoutes(),
            std::vector<std::string>{"default via 192.168.1.1 proto static metric 1 onlink linkdown"});
  InRouter("ip link set " + Env("MIRBO_NETNS_ROUTER_IF") + " up");
}

TEST_F(LinuxHostServicesInNamespace, DhcpLineDropsTheStaticSettingAndTakesALeaseFromTheRouter) {
  Run(AddressCommand::RouterAddress, PcInterface());
  EXPECT_EQ(Run(AddressCommand::DhcpAddress, PcInterface()), "");
  // The server hands out 192.168.1.100-150 and names 192.168.1.254 as router.
  const bool leased = Eventually(
      [] {
        const auto addresses = Addresses();
        return addresses.size() == 1 && addresses[0].starts_with("192.168.1.1") &&
               addresses[0] != "192.168.1.1/24" && DefaultRoutes().size() == 1;
      },
      40s);
  ASSERT_TRUE(leased) << "addresses: " << testing::PrintToString(Addresses())
                      << " routes: " << testing::PrintToString(DefaultRoutes());
  EXPECT_TRUE(DefaultRoutes()[0].starts_with("default via 192.168.1.254")) << DefaultRoutes()[0];
}

TEST_F(LinuxHostServicesInNamespace, StaticLineEndsTheDhcpClientItStartedBefore) {
  Run(AddressCommand::DhcpAddress, PcInterface());
  const auto clients = [] { return Lines("ip netns pids " + Env("MIRBO_NETNS_PC") + " | xargs -r ps -o comm= -p | grep -x dhclient"); };
  ASSERT_TRUE(Eventually([&] { return !clients().empty(); }, 10s));
  Run(AddressCommand::BootLoaderAddress, PcInterface());
  EXPECT_TRUE(Eventually([&] { return clients().empty(); }, 10s));
  EXPECT_EQ(Addresses(), std::vector<std::string>{"192.168.1.88/24"});
}

TEST_F(LinuxHostServicesInNamespace, LineForAVanishedConnectionIsReportedAsNotDone) {
  for (const AddressCommand command :
       {AddressCommand::BootLoaderAddress, AddressCommand::RouterAddress, AddressCommand::DhcpAddress}) {
    const std::string text = Run(command, "mpcgone0");
    EXPECT_TRUE(text.ends_with(kFailedInside)) << text;
  }
}

TEST_F(LinuxHostServicesInNamespace, WaitForRouterDotsWhileTheRouterIsAbsentAndEndsAfterTenAnswers) {
  Run(AddressCommand::RouterAddress, PcInterface());
  InRouter("ip addr del 192.168.199.1/24 dev " + Env("MIRBO_NETNS_ROUTER_IF"));
  OutputLog output;
  WaitForRouterWithin(host_, output, 90s, [&] {
    ASSERT_TRUE(Eventually([&] { return Dots(output.Text()) >= 3; }, 30s)) << output.Text();
    InRouter("ip addr add 192.168.199.1/24 dev " + Env("MIRBO_NETNS_ROUTER_IF"));
  });
  const std::string text = output.Text();
  EXPECT_EQ(text, std::string(text.size(), '.'));
  EXPECT_EQ(host_.traffic.sent, Dots(text) + 10);  // every failed probe gave one dot

  OutputLog again;
  host_.traffic.sent = 0;
  WaitForRouterWithin(host_, again, 30s);
  EXPECT_EQ(again.Text(), "");  // with the router there, no probe fails
  EXPECT_EQ(host_.traffic.sent, 10);
}

// Sends echo requests with identifier bytes 99 99 to 192.168.199.2, another
// host on the router's side, and counts its answers.
class ForeignPinger {
 public:
  explicit ForeignPinger(int requests) {
    thread_ = std::thread([this, requests] { Ping(requests); });
  }
  ~ForeignPinger() { thread_.join(); }
  int answers() const { return answers_; }

 private:
  void Ping(int requests) {
    const int fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (fd < 0) return;
    EchoRequest request = BuildEchoRequest(0x9999);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(0xC0A8C702);
    for (int i = 0; i < requests; ++i) {
      sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      std::uint8_t answer[128];
      while (recv(fd, answer, sizeof answer, MSG_DONTWAIT) > 0)
        if (answer[20] == 0 && answer[24] == 0x99) ++answers_;
      std::this_thread::sleep_for(50ms);
    }
    close(fd);
  }

  std::atomic<int> answers_{0};
  std::thread thread_;
};

TEST_F(LinuxHostServicesInNamespace, ProbeIgnoresIcmpFromAnotherHostWithOtherIdentifierBytes) {
  Run(AddressCommand::RouterAddress, PcInterface());
  InRouter("ip addr del 192.168.199.1/24 dev " + Env("MIRBO_NETNS_ROUTER_IF"));
  InRouter("ip addr add 192.168.199.2/24 dev " + Env("MIRBO_NETNS_ROUTER_IF"));
  host_.process_id = 0x1234;
  {
    ForeignPinger pinger(60);
    ASSERT_TRUE(Eventually([&] { return pinger.answers() > 0; }, 5s));
    EXPECT_FALSE(ProbeRouter(host_));
    EXPECT_GT(host_.traffic.received, 0) << "no foreign ICMP reached the probe";
  }
  InRouter("ip addr del 192.168.199.2/24 dev " + Env("MIRBO_NETNS_ROUTER_IF"));
  InRouter("ip addr add 192.168.199.1/24 dev " + Env("MIRBO_NETNS_ROUTER_IF"));
}

// Run by the driver as an unprivileged user, after it widened
// net.ipv4.ping_group_range in the 'pc' namespace and gave both sides their
// router addresses.
TEST_F(LinuxHostServicesInNamespace, UnprivilegedWaitHearsTheRouterThroughAPingSocket) {
  ASSERT_FALSE(RawSocketAllowed()) << "run this one without the right to raw sockets";
  host_.process_id = 0x1234;  // the kernel picks another identifier on the wire
  OutputLog output;
  WaitForRouterWithin(host_, output, 30s);
  EXPECT_EQ(output.Text(), "");
  EXPECT_EQ(host_.traffic.sent, 10);
}

// Run by the driver as an unprivileged user with the ping group range closed.
TEST_F(LinuxHostServicesInNamespace, UnprivilegedWithoutPingGroupHasNoEchoSocket) {
  ASSERT_FALSE(RawSocketAllowed()) << "run this one without the right to raw sockets";
  EXPECT_EQ(host_.real->OpenEchoSocket(), nullptr);
  EXPECT_FALSE(ProbeRouter(host_));
}

// Run by the driver as an unprivileged user, from a copy of this program
// given the capabilities by scripts/install-capabilities.sh.
TEST_F(LinuxHostServicesInNamespace, FileCapabilitiesSufficeToMoveTheConnectionAndProbe) {
  ASSERT_NE(geteuid(), 0u) << "run this one as an unprivileged user";
  EXPECT_EQ(Run(AddressCommand::RouterAddress, PcInterface()), "");
  EXPECT_EQ(Addresses(), std::vector<std::string>{"192.168.199.88/24"});
  EXPECT_EQ(DefaultRoutes(),
            std::vector<std::string>{"default via 192.168.1.1 proto static metric 1 onlink"});
  EXPECT_TRUE(RawSocketAllowed());
  OutputLog output;
  WaitForRouterWithin(host_, output, 30s);
  EXPECT_EQ(output.Text(), "");
}

}  // namespace
}  // namespace mirbo
