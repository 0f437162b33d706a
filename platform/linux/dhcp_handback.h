#pragma once

#include <string>

namespace mirbo {

// Keeps the host's network management off `interface` while it has a static
// address: NetworkManager is told to leave it unmanaged (a router restarting
// drops the link, and NetworkManager would take the connection back), and a
// DHCP client that this program started for it earlier is ended.
void HoldFromNetworkManagers(const std::string& interface);

// Hands `interface` back to the host's DHCP client: NetworkManager if it
// manages the device, else systemd-networkd if it does, else the first of
// dhclient, dhcpcd and udhcpc that is installed, started in the background.
// False when none would take it or it refused.
bool HandBackToDhcp(const std::string& interface);

}  // namespace mirbo
