#include "platform/linux/netlink_adapters.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netlink/addr.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/linux/libnl_handles.h"

namespace mirbo {
namespace {

// IANA interface types, as the adapter list of the other systems gives them.
constexpr std::uint32_t kTypeOther = 1;
constexpr std::uint32_t kTypePpp = 23;
constexpr std::uint32_t kTypeLoopback = 24;
constexpr std::uint32_t kTypeWireless = 71;

bool PathExists(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

// Wireless cards show the link type of Ethernet; the wireless stack marks them in sysfs.
bool IsWireless(const char* name) {
  const std::string device = std::string("/sys/class/net/") + name;
  return PathExists(device + "/wireless") || PathExists(device + "/phy80211");
}

std::uint32_t InterfaceType(rtnl_link* link) {
  if (rtnl_link_get_flags(link) & IFF_LOOPBACK) return kTypeLoopback;
  switch (rtnl_link_get_arptype(link)) {
    case ARPHRD_ETHER:
      return IsWireless(rtnl_link_get_name(link)) ? kTypeWireless : kAdapterTypeEthernet;
    case ARPHRD_LOOPBACK:
      return kTypeLoopback;
    case ARPHRD_PPP:
      return kTypePpp;
    default:
      return kTypeOther;
  }
}

// The first IPv4 address of the interface in the kernel's list (the primary
// one comes first), or "0.0.0.0".
void FirstIpv4(nl_cache* addresses, int ifindex, char (&text)[16]) {
  std::strcpy(text, "0.0.0.0");
  for (nl_object* object = nl_cache_get_first(addresses); object; object = nl_cache_get_next(object)) {
    auto* address = reinterpret_cast<rtnl_addr*>(object);
    if (rtnl_addr_get_ifindex(address) != ifindex || rtnl_addr_get_family(address) != AF_INET) continue;
    nl_addr* local = rtnl_addr_get_local(address);
    if (local && nl_addr_get_len(local) == 4) {
      inet_ntop(AF_INET, nl_addr_get_binary_addr(local), text, sizeof text);
      return;
    }
  }
}

AdapterRecord RecordOf(rtnl_link* link, nl_cache* addresses) {
  AdapterRecord record;
  std::strncpy(record.adapter_id, rtnl_link_get_name(link), sizeof record.adapter_id - 1);
  record.type = InterfaceType(link);
  FirstIpv4(addresses, rtnl_link_get_ifindex(link), record.first_ipv4);
  return record;
}

}  // namespace

bool ListNetworkInterfaces(std::vector<AdapterRecord>* records) {
  const NlSocket socket = OpenRouteSocket();
  if (!socket) return false;
  nl_cache* raw_links = nullptr;
  nl_cache* raw_addresses = nullptr;
  if (rtnl_link_alloc_cache(socket.get(), AF_UNSPEC, &raw_links) != 0) return false;
  const NlCache links(raw_links);
  if (rtnl_addr_alloc_cache(socket.get(), &raw_addresses) != 0) return false;
  const NlCache addresses(raw_addresses);

  std::vector<rtnl_link*> ordered;
  for (nl_object* object = nl_cache_get_first(links.get()); object; object = nl_cache_get_next(object))
    ordered.push_back(reinterpret_cast<rtnl_link*>(object));
  std::sort(ordered.begin(), ordered.end(), [](rtnl_link* a, rtnl_link* b) {
    return rtnl_link_get_ifindex(a) < rtnl_link_get_ifindex(b);
  });
  records->clear();
  for (rtnl_link* link : ordered) records->push_back(RecordOf(link, addresses.get()));
  return true;
}

}  // namespace mirbo
