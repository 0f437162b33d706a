#pragma once

#include <vector>

#include "platform/host_services.h"

namespace mirbo {

// Every network interface of this network namespace in the kernel's order
// (by interface index): its name as adapter id, its interface type (6 only
// for wired Ethernet, veth included) and its first IPv4 address. False when
// the kernel could not be asked.
bool ListNetworkInterfaces(std::vector<AdapterRecord>* records);

}  // namespace mirbo
