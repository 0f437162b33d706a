#include "hostnet/adapter_discovery.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>

#include <string>
#include <vector>

#include "tests/fakes/fake_host_services.h"

namespace mirbo {
namespace {

constexpr char kHeader[] = "当前可用网卡如下，请正确选择所使用的网卡：\n";
constexpr char kListFailed[] = "获取网卡信息失败，请向版主反馈。\n";
constexpr std::uint32_t kLoopback = 24;
constexpr std::uint32_t kWireless = 71;
constexpr std::uint32_t kPpp = 23;

struct Listing {
  bool result;
  std::string output;
  AdapterTable table;
};

Listing Discover(FakeHostServices& host) {
  OutputLog output;
  Listing listing{};
  listing.result = DiscoverAdapters(host, output, listing.table);
  listing.output = output.Text();
  return listing;
}

std::string Slot(const AdapterTable& table, int number) {
  return table.names[static_cast<std::size_t>(number)].data();
}

struct DiscoveryCase {
  const char* what;
  std::vector<AdapterRecord> adapters;
  std::map<std::string, std::string> names;
  bool result;
  std::string output;
  std::vector<std::string> table;
};

void PrintTo(const DiscoveryCase& c, std::ostream* os) { *os << c.what; }

class DiscoveryCases : public testing::TestWithParam<DiscoveryCase> {};

TEST_P(DiscoveryCases, ListsNumbersAndStoresTheEthernetConnections) {
  const DiscoveryCase& c = GetParam();
  FakeHostServices host;
  host.adapters = c.adapters;
  host.connection_names = c.names;
  const Listing listing = Discover(host);
  EXPECT_EQ(listing.result, c.result);
  EXPECT_EQ(listing.output, c.output);
  ASSERT_EQ(listing.table.count, static_cast<int>(c.table.size()));
  for (std::size_t i = 0; i < c.table.size(); ++i)
    EXPECT_EQ(Slot(listing.table, static_cast<int>(i) + 1), c.table[i]);
}

const std::string k79(79, 'n');
const std::string k80(80, 'n');
const std::string kIdOf172(172, 'i');
const std::string kIdOf173(173, 'i');

INSTANTIATE_TEST_SUITE_P(
    AdapterDiscovery, DiscoveryCases,
    testing::Values(
        DiscoveryCase{"other types take no number and make no line",
                      {FakeHostServices::Adapter("lo", kLoopback, "127.0.0.1"),
                       FakeHostServices::Adapter("eth0", 6, "10.0.0.2"),
                       FakeHostServices::Adapter("wlan0", kWireless, "10.0.1.2"),
                       FakeHostServices::Adapter("eth1", 6, "0.0.0.0"),
                       FakeHostServices::Adapter("ppp0", kPpp, "10.0.2.2")},
                      {{"eth0", "以太网"}, {"eth1", "Local Area Connection 2"}},
                      true,
                      std::string(kHeader) + "\t1: 以太网 (10.0.0.2)\n" +
                          "\t2: Local Area Connection 2 (0.0.0.0)\n",
                      {"以太网", "Local Area Connection 2"}},
        DiscoveryCase{"a lone Ethernet adapter among others",
                      {FakeHostServices::Adapter("wlan0", kWireless, "10.0.1.2"),
                       FakeHostServices::Adapter("eth0", 6, "192.168.3.4")},
                      {{"eth0", "eth0"}},
                      true,
                      std::string(kHeader) + "\t1: eth0 (192.168.3.4)\n",
                      {"eth0"}},
        DiscoveryCase{"no Ethernet adapter gives the header alone",
                      {FakeHostServices::Adapter("lo", kLoopback, "127.0.0.1")},
                      {},
                      true,
                      kHeader,
                      {}},
        DiscoveryCase{"an unreadable third name stops the listing after two",
                      {FakeHostServices::Adapter("a", 6, "0.0.0.0"),
                       FakeHostServices::Adapter("b", 6, "0.0.0.0"),
                       FakeHostServices::Adapter("c", 6, "0.0.0.0"),
                       FakeHostServices::Adapter("d", 6, "0.0.0.0")},
                      {{"a", "A"}, {"b", "B"}, {"d", "D"}},
                      false,
                      std::string(kHeader) + "\t1: A (0.0.0.0)\n\t2: B (0.0.0.0)\nError !\n",
                      {"A", "B"}},
        DiscoveryCase{"a 79-byte name is listed",
                      {FakeHostServices::Adapter("a", 6, "0.0.0.0")},
                      {{"a", k79}},
                      true,
                      std::string(kHeader) + "\t1: " + k79 + " (0.0.0.0)\n",
                      {k79}},
        DiscoveryCase{"an 80-byte name, 81 with its zero, is unreadable",
                      {FakeHostServices::Adapter("a", 6, "0.0.0.0")},
                      {{"a", k80}},
                      false,
                      std::string(kHeader) + "Error !\n",
                      {}},
        DiscoveryCase{"an id of 172 characters still names its connection",
                      {FakeHostServices::Adapter(kIdOf172, 6, "0.0.0.0")},
                      {{kIdOf172, "long"}},
                      true,
                      std::string(kHeader) + "\t1: long (0.0.0.0)\n",
                      {"long"}},
        DiscoveryCase{"an id too long for the connection key makes the name unreadable",
                      {FakeHostServices::Adapter(kIdOf173, 6, "0.0.0.0")},
                      {{kIdOf173, "long"}},
                      false,
                      std::string(kHeader) + "Error !\n",
                      {}}),
    [](const testing::TestParamInfo<DiscoveryCase>& info) {
      std::string name;
      bool word_start = true;
      for (const char* p = info.param.what; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalnum(c)) name += static_cast<char>(word_start ? std::toupper(c) : c);
        word_start = !std::isalnum(c);
      }
      return name;
    });

TEST(AdapterDiscovery, AsksAgainWithTheSizeGivenWhenOneRecordDoesNotFit) {
  FakeHostServices host;
  host.adapters = {FakeHostServices::Adapter("eth0", 6, "10.0.0.2"),
                   FakeHostServices::Adapter("eth1", 6, "10.0.0.3"),
                   FakeHostServices::Adapter("eth2", 6, "10.0.0.4")};
  host.connection_names = {{"eth0", "eth0"}, {"eth1", "eth1"}, {"eth2", "eth2"}};
  const Listing listing = Discover(host);
  const std::vector<std::string> calls = host.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "ListAdapters(1)");
  EXPECT_EQ(calls[1], "ListAdapters(3)");
  EXPECT_TRUE(listing.result);
  EXPECT_EQ(listing.output, std::string(kHeader) + "\t1: eth0 (10.0.0.2)\n\t2: eth1 (10.0.0.3)\n" +
                                "\t3: eth2 (10.0.0.4)\n");
}

TEST(AdapterDiscovery, AsksTwiceEvenWhenTheFirstAnswerSufficed) {
  FakeHostServices host;
  host.adapters = {FakeHostServices::Adapter("eth0", 6, "10.0.0.2")};
  host.connection_names = {{"eth0", "eth0"}};
  Discover(host);
  const std::vector<std::string> calls = host.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "ListAdapters(1)");
  EXPECT_EQ(calls[1], "ListAdapters(1)");
}

TEST(AdapterDiscovery, ReportsAListThatCannotBeHadAndGoesOnWithNoAdapters) {
  for (const std::uint32_t status : {2u, kListAdaptersBufferTooSmall}) {
    SCOPED_TRACE(status);
    FakeHostServices host;
    host.adapters = {FakeHostServices::Adapter("eth0", 6, "10.0.0.2")};
    host.connection_names = {{"eth0", "eth0"}};
    host.list_status = status;
    const Listing listing = Discover(host);
    EXPECT_TRUE(listing.result);
    EXPECT_EQ(listing.output, kListFailed);
    EXPECT_EQ(listing.table.count, 0);
  }
}

TEST(AdapterDiscovery, ListsNoAdapterPastTheTwoHundredFiftyFifth) {
  FakeHostServices host;
  for (int i = 1; i <= 300; ++i) {
    const std::string id = "eth" + std::to_string(i);
    host.adapters.push_back(FakeHostServices::Adapter(id, 6, "0.0.0.0"));
    host.connection_names[id] = "连接 " + std::to_string(i);
  }
  const Listing listing = Discover(host);
  EXPECT_TRUE(listing.result);
  EXPECT_EQ(listing.table.count, 255);
  EXPECT_EQ(Slot(listing.table, 255), "连接 255");
  EXPECT_NE(listing.output.find("\t255: 连接 255 (0.0.0.0)\n"), std::string::npos);
  EXPECT_EQ(listing.output.find("256"), std::string::npos);
  for (const std::string& call : host.Calls()) EXPECT_NE(call, "ReadConnectionName(eth256)");
}

}  // namespace
}  // namespace mirbo
