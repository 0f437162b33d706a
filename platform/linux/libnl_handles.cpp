#include "platform/linux/libnl_handles.h"

#include <arpa/inet.h>
#include <netlink/addr.h>
#include <sys/socket.h>

namespace mirbo {

NlSocket OpenRouteSocket() {
  NlSocket socket(nl_socket_alloc());
  if (!socket || nl_connect(socket.get(), NETLINK_ROUTE) != 0) return nullptr;
  return socket;
}

NlAddr Ipv4Addr(std::uint32_t address, int prefix_length) {
  const std::uint32_t network_order = htonl(address);
  NlAddr addr(nl_addr_build(AF_INET, &network_order, sizeof network_order));
  if (addr) nl_addr_set_prefixlen(addr.get(), prefix_length);
  return addr;
}

}  // namespace mirbo
