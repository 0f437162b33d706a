#pragma once

#include "platform/host_services.h"
#include "platform/linux/command_line.h"

namespace mirbo {

// Carries out a parsed address line natively, as the network shell of the
// other systems would: Succeeded when the connection now has what the line
// asks for (for dhcp: when the DHCP client took it over), Failed otherwise.
CommandResult CarryOutAddressLine(const AddressLine& line);

}  // namespace mirbo
