#include "platform/linux/dhcp_handback.h"

#include <net/if.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/hidden_process.h"

namespace mirbo {
namespace {

constexpr char kRunDirectory[] = "/run/mirbo-recovery";

std::string NetworkNamespaceOf(const char* process) {
  char target[64] = {};
  const std::string link = std::string("/proc/") + process + "/ns/net";
  const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : "";
}

// NetworkManager and systemd-networkd serve the network namespace that the
// system started in. In another one (a container, a test's namespace) they
// know none of its interfaces, though they may know others of the same name
// or index. Where the first process's namespace cannot be read (no right to
// it), this is taken to be that namespace.
bool InSystemNetworkNamespace() {
  const std::string system = NetworkNamespaceOf("1");
  return system.empty() || system == NetworkNamespaceOf("self");
}

// Files of the DHCP clients this program starts, named after the interface
// and the network namespace, so they never meet those of the system's own
// clients or of the same name in another namespace.
std::string ClientFile(const std::string& client, const std::string& interface,
                       const char* suffix) {
  struct stat status {};
  stat("/proc/self/ns/net", &status);
  return std::string(kRunDirectory) + "/" + client + "." + interface + "." +
         std::to_string(status.st_ino) + suffix;
}

// The processes the client has started and that still run: its script, which
// may be setting a leased address at this moment.
std::vector<pid_t> ChildrenOf(pid_t pid) {
  const std::string id = std::to_string(pid);
  std::ifstream children("/proc/" + id + "/task/" + id + "/children");
  std::vector<pid_t> found;
  for (pid_t child; children >> child;) found.push_back(child);
  return found;
}

bool ProcessGone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const std::size_t state = line.rfind(')') + 2;  // the name in parentheses may hold anything
  return state >= line.size() || line[state] == 'Z';
}

// Waits, bounded, until every one of `pids` has ended; ends those that won't.
void AwaitEnd(const std::vector<pid_t>& pids) {
  using namespace std::chrono_literals;
  const auto all_gone = [&] { return std::all_of(pids.begin(), pids.end(), ProcessGone); };
  for (int i = 0; i < 100 && !all_gone(); ++i) std::this_thread::sleep_for(50ms);
  for (const pid_t pid : pids)
    if (!ProcessGone(pid)) kill(pid, SIGKILL);
  for (int i = 0; i < 20 && !all_gone(); ++i) std::this_thread::sleep_for(50ms);
}

// Ends the client named in its pid file, but only if that process still is
// the client: the pid may have been reused since. Returns once it and its
// script are gone, so that no lease address lands after a static one.
void EndOwnClient(const std::string& client, const std::string& interface) {
  const std::string pid_file = ClientFile(client, interface, ".pid");
  pid_t pid = 0;
  if (!(std::ifstream(pid_file) >> pid) || pid <= 1) return;
  std::string command;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), command);
  if (command == client) {
    std::vector<pid_t> ending = ChildrenOf(pid);
    ending.push_back(pid);
    kill(pid, SIGTERM);
    AwaitEnd(ending);
  }
  unlink(pid_file.c_str());
}

bool NetworkManagerTakesIt(const std::string& interface) {
  const std::string nmcli = FindSystemProgram("nmcli");
  if (nmcli.empty()) return false;
  return RunHiddenProcess({nmcli, "device", "set", interface, "managed", "yes"}) ==
         CommandResult::Succeeded;
}

// systemd-networkd keeps a state file per interface index while it runs.
bool NetworkdManages(const std::string& interface) {
  const unsigned index = if_nametoindex(interface.c_str());
  if (index == 0) return false;
  std::ifstream state("/run/systemd/netif/links/" + std::to_string(index));
  for (std::string line; std::getline(state, line);)
    if (line.starts_with("ADMIN_STATE=")) return line != "ADMIN_STATE=unmanaged";
  return false;
}

bool StartDhcpClient(const std::string& interface) {
  mkdir(kRunDirectory, 0755);
  if (const std::string dhclient = FindSystemProgram("dhclient"); !dhclient.empty()) {
    EndOwnClient("dhclient", interface);
    // -nw: into the background at once; the router's wait shows the progress.
    return RunHiddenProcess({dhclient, "-nw", "-pf", ClientFile("dhclient", interface, ".pid"),
                             "-lf", ClientFile("dhclient", interface, ".leases"), interface}) ==
           CommandResult::Succeeded;
  }
  if (const std::string dhcpcd = FindSystemProgram("dhcpcd"); !dhcpcd.empty())
    return RunHiddenProcess({dhcpcd, "-b", interface}) == CommandResult::Succeeded;
  if (const std::string udhcpc = FindSystemProgram("udhcpc"); !udhcpc.empty()) {
    EndOwnClient("udhcpc", interface);
    return RunHiddenProcess({udhcpc, "-b", "-i", interface, "-p",
                             ClientFile("udhcpc", interface, ".pid")}) == CommandResult::Succeeded;
  }
  return false;
}

}  // namespace

void HoldFromNetworkManagers(const std::string& interface) {
  if (InSystemNetworkNamespace()) {
    // Fails harmlessly where NetworkManager is missing or does not know the device.
    if (const std::string nmcli = FindSystemProgram("nmcli"); !nmcli.empty())
      RunHiddenProcess({nmcli, "device", "set", interface, "managed", "no"});
  }
  EndOwnClient("dhclient", interface);
  EndOwnClient("udhcpc", interface);
}

bool HandBackToDhcp(const std::string& interface) {
  if (InSystemNetworkNamespace()) {
    if (NetworkManagerTakesIt(interface)) return true;
    if (NetworkdManages(interface)) {
      const std::string networkctl = FindSystemProgram("networkctl");
      return !networkctl.empty() &&
             RunHiddenProcess({networkctl, "reconfigure", interface}) == CommandResult::Succeeded;
    }
  }
  return StartDhcpClient(interface);
}

}  // namespace mirbo
