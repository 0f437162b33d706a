#pragma once

#include <cstdint>
#include <string>

namespace mirbo {

// One static IPv4 setting of a connection; addresses in host byte order.
struct StaticIpv4 {
  std::uint32_t address = 0;
  int prefix_length = 0;
  std::uint32_t gateway = 0;
  std::uint32_t metric = 0;
};

// Gives `interface` `setting.address` as its only IPv4 address, brings it up
// and makes the default route through it go via `setting.gateway` with
// `setting.metric`, on-link: the gateway need not lie in the address's
// network. False when the interface is missing or the kernel refused a step.
bool SetStaticIpv4(const std::string& interface, const StaticIpv4& setting);

// Removes every IPv4 address and every IPv4 default route of `interface`.
// False when the interface is missing or the kernel refused a step.
bool ClearIpv4(const std::string& interface);

}  // namespace mirbo
