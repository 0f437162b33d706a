#include "platform/linux/netlink_addresses.h"

#include <net/if.h>
#include <netlink/addr.h>
#include <netlink/route/nexthop.h>
#include <sys/socket.h>

#include <vector>

#include "platform/linux/libnl_handles.h"

namespace mirbo {
namespace {

using ObjectFilter = bool (*)(nl_object*, int ifindex);
using ObjectDelete = int (*)(nl_sock*, nl_object*);

bool IsIpv4AddressOf(nl_object* object, int ifindex) {
  auto* address = reinterpret_cast<rtnl_addr*>(object);
  return rtnl_addr_get_family(address) == AF_INET && rtnl_addr_get_ifindex(address) == ifindex;
}

bool IsDefaultRouteOf(nl_object* object, int ifindex) {
  auto* route = reinterpret_cast<rtnl_route*>(object);
  if (rtnl_route_get_family(route) != AF_INET || rtnl_route_get_table(route) != RT_TABLE_MAIN)
    return false;
  nl_addr* destination = rtnl_route_get_dst(route);
  if (destination && nl_addr_get_prefixlen(destination) != 0) return false;
  for (int i = 0; i < rtnl_route_get_nnexthops(route); ++i)
    if (rtnl_route_nh_get_ifindex(rtnl_route_nexthop_n(route, i)) == ifindex) return true;
  return false;
}

int DeleteAddress(nl_sock* socket, nl_object* object) {
  return rtnl_addr_delete(socket, reinterpret_cast<rtnl_addr*>(object), 0);
}

int DeleteRoute(nl_sock* socket, nl_object* object) {
  return rtnl_route_delete(socket, reinterpret_cast<rtnl_route*>(object), 0);
}

// Deletes the cached objects that `filter` picks. Deleting an address can
// take routes or secondary addresses with it, so "already gone" is no failure.
bool DeleteAll(nl_sock* socket, nl_cache* cache, int ifindex, ObjectFilter filter,
               ObjectDelete remove) {
  bool all_gone = true;
  for (nl_object* object = nl_cache_get_first(cache); object; object = nl_cache_get_next(object)) {
    if (!filter(object, ifindex)) continue;
    const int error = remove(socket, object);
    if (error != 0 && error != -NLE_NOADDR && error != -NLE_OBJ_NOTFOUND) all_gone = false;
  }
  return all_gone;
}

bool ClearIpv4Of(nl_sock* socket, int ifindex) {
  nl_cache* raw = nullptr;
  if (rtnl_route_alloc_cache(socket, AF_INET, 0, &raw) != 0) return false;
  const NlCache routes(raw);
  if (!DeleteAll(socket, routes.get(), ifindex, IsDefaultRouteOf, DeleteRoute)) return false;
  if (rtnl_addr_alloc_cache(socket, &raw) != 0) return false;
  const NlCache addresses(raw);
  return DeleteAll(socket, addresses.get(), ifindex, IsIpv4AddressOf, DeleteAddress);
}

bool BringUp(nl_sock* socket, int ifindex) {
  rtnl_link* raw = nullptr;
  if (rtnl_link_get_kernel(socket, ifindex, nullptr, &raw) != 0) return false;
  const RtnlLink current(raw);
  const RtnlLink change(rtnl_link_alloc());
  if (!change) return false;
  rtnl_link_set_flags(change.get(), IFF_UP);
  return rtnl_link_change(socket, current.get(), change.get(), 0) == 0;
}

bool AddAddress(nl_sock* socket, int ifindex, const StaticIpv4& setting) {
  const std::uint32_t host_bits = setting.prefix_length == 0 ? ~0u : ~0u >> setting.prefix_length;
  const NlAddr local = Ipv4Addr(setting.address, setting.prefix_length);
  const NlAddr broadcast = Ipv4Addr(setting.address | host_bits, 32);
  const RtnlAddr address(rtnl_addr_alloc());
  if (!local || !broadcast || !address) return false;
  rtnl_addr_set_ifindex(address.get(), ifindex);
  rtnl_addr_set_family(address.get(), AF_INET);
  if (rtnl_addr_set_local(address.get(), local.get()) != 0) return false;
  if (rtnl_addr_set_broadcast(address.get(), broadcast.get()) != 0) return false;
  return rtnl_addr_add(socket, address.get(), NLM_F_REPLACE) == 0;
}

bool AddDefaultRoute(nl_sock* socket, int ifindex, const StaticIpv4& setting) {
  const NlAddr anywhere = Ipv4Addr(0, 0);
  const NlAddr gateway = Ipv4Addr(setting.gateway, 32);
  const RtnlRoute route(rtnl_route_alloc());
  rtnl_nexthop* hop = rtnl_route_nh_alloc();
  if (!anywhere || !gateway || !route || !hop) {
    if (hop) rtnl_route_nh_free(hop);
    return false;
  }
  rtnl_route_set_family(route.get(), AF_INET);
  rtnl_route_set_table(route.get(), RT_TABLE_MAIN);
  rtnl_route_set_protocol(route.get(), RTPROT_STATIC);
  rtnl_route_set_scope(route.get(), RT_SCOPE_UNIVERSE);
  rtnl_route_set_type(route.get(), RTN_UNICAST);
  rtnl_route_set_priority(route.get(), setting.metric);
  rtnl_route_set_dst(route.get(), anywhere.get());
  rtnl_route_nh_set_ifindex(hop, ifindex);
  rtnl_route_nh_set_gateway(hop, gateway.get());
  rtnl_route_nh_set_flags(hop, RTNH_F_ONLINK);
  rtnl_route_add_nexthop(route.get(), hop);  // the route owns it from here
  // Appended, not replacing: another connection's default route of the same
  // metric stays, as on the other systems.
  return rtnl_route_add(socket, route.get(), NLM_F_APPEND) == 0;
}

}  // namespace

bool SetStaticIpv4(const std::string& interface, const StaticIpv4& setting) {
  const int ifindex = static_cast<int>(if_nametoindex(interface.c_str()));
  const NlSocket socket = OpenRouteSocket();
  if (ifindex == 0 || !socket) return false;
  return ClearIpv4Of(socket.get(), ifindex) && BringUp(socket.get(), ifindex) &&
         AddAddress(socket.get(), ifindex, setting) &&
         AddDefaultRoute(socket.get(), ifindex, setting);
}

bool ClearIpv4(const std::string& interface) {
  const int ifindex = static_cast<int>(if_nametoindex(interface.c_str()));
  const NlSocket socket = OpenRouteSocket();
  if (ifindex == 0 || !socket) return false;
  return ClearIpv4Of(socket.get(), ifindex);
}

}  // namespace mirbo
