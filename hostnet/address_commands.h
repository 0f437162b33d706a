#pragma once

#include <string>

#include "console/output_log.h"
#include "platform/host_services.h"

namespace mirbo {

enum class AddressCommand {
  BootLoaderAddress,  // static 192.168.1.88/24, gateway 192.168.1.1 metric 1
  RouterAddress,      // static 192.168.199.88/24, gateway 192.168.1.1 metric 1
  DhcpAddress,        // back to DHCP
};

// The network shell's command line for `command`, with `connection_name`
// put between the double quotes unchanged.
std::string AddressCommandLine(AddressCommand command, const std::string& connection_name);

// Moves the connection to the address of `command` and waits until that has
// ended. False when the command could not be started; its failure text has
// then been appended. A command that ran but failed is reported to the
// operator and still answers true, so the sequence goes on.
bool RunAddressCommand(HostServices& host, OutputLog& output, AddressCommand command,
                       const std::string& connection_name);

}  // namespace mirbo
