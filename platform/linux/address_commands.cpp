#include "platform/linux/address_commands.h"

#include <net/if.h>

#include "platform/linux/dhcp_handback.h"
#include "platform/linux/netlink_addresses.h"

namespace mirbo {
namespace {

CommandResult ResultOf(bool done) { return done ? CommandResult::Succeeded : CommandResult::Failed; }

// The connection name is the interface name.
bool InterfaceExists(const std::string& connection) {
  return connection.size() < IF_NAMESIZE && if_nametoindex(connection.c_str()) != 0;
}

}  // namespace

CommandResult CarryOutAddressLine(const AddressLine& line) {
  if (!InterfaceExists(line.connection)) return CommandResult::Failed;
  switch (line.kind) {
    case AddressLineKind::Static:
      HoldFromNetworkManagers(line.connection);
      return ResultOf(SetStaticIpv4(line.connection, line.setting));
    case AddressLineKind::Dhcp:
      // The static address and its route go first, so the DHCP client starts clean.
      return ResultOf(ClearIpv4(line.connection) && HandBackToDhcp(line.connection));
    case AddressLineKind::Malformed:
    case AddressLineKind::Other:
      break;
  }
  return CommandResult::Failed;
}

}  // namespace mirbo
