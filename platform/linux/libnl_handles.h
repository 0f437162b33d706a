#pragma once

#include <netlink/cache.h>
#include <netlink/route/addr.h>
#include <netlink/route/link.h>
#include <netlink/route/route.h>
#include <netlink/socket.h>

#include <memory>

namespace mirbo {

// Owners of libnl objects, each released the way libnl wants.
template <typename T, void (*Release)(T*)>
struct LibnlRelease {
  void operator()(T* object) const { Release(object); }
};
template <typename T, void (*Release)(T*)>
using LibnlHandle = std::unique_ptr<T, LibnlRelease<T, Release>>;

using NlSocket = LibnlHandle<nl_sock, nl_socket_free>;
using NlCache = LibnlHandle<nl_cache, nl_cache_free>;
using NlAddr = LibnlHandle<nl_addr, nl_addr_put>;
using RtnlLink = LibnlHandle<rtnl_link, rtnl_link_put>;
using RtnlAddr = LibnlHandle<rtnl_addr, rtnl_addr_put>;
using RtnlRoute = LibnlHandle<rtnl_route, rtnl_route_put>;

// A socket connected to the kernel's routing netlink, or null.
NlSocket OpenRouteSocket();

// An IPv4 address (host byte order) with its prefix length, as libnl takes it.
NlAddr Ipv4Addr(std::uint32_t address, int prefix_length);

}  // namespace mirbo
