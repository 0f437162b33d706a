#pragma once

#include <string>
#include <vector>

#include "platform/linux/netlink_addresses.h"

namespace mirbo {

enum class AddressLineKind {
  Other,      // not a "netsh interface ip set address" line
  Malformed,  // such a line that the network shell would refuse
  Static,
  Dhcp,
};

struct AddressLine {
  AddressLineKind kind = AddressLineKind::Other;
  std::string connection;  // what stood between the first and the last double quote
  StaticIpv4 setting;      // for Static
};

// Reads `netsh interface ip set address "NAME" static A M G N` and
// `netsh interface ip set address "NAME" dhcp`. The name may itself hold
// double quotes: it ends at the last one.
AddressLine ParseAddressLine(const std::string& line);

// The words of a command line: split at blanks, except inside double
// quotes, which group and are dropped.
std::vector<std::string> SplitCommandWords(const std::string& line);

}  // namespace mirbo
